#pragma once
// The console's side of the conversation with the log service: what it sends, how it recognises
// what arrives, and how the chunks of one log transfer are joined and handed to the views. It
// knows neither the window nor the socket: both are reached through a ConversationHost, so the
// whole conversation runs in tests without either.
//
// Messages carry no length: a message from the service is a four-character token (compared in
// any letter case), and for "helo" and "logd" one separator character and the data.
//
// A plain service sends one message per arrival, and the console reads each arrival as one
// message whose data runs to its end. Two rules make that safe: during a transfer, an arrival
// that starts with no known token is the rest of the chunk TCP cut off (stored, not acknowledged
// again); and a "log." that ends no transfer and answers no request is a repeat, not an empty log.
//
// A service that ends its greeting with kExtensionTag (our ovservice does) promises framing on
// this connection: every "logd" separator is a letter 'A'..'W' giving the chunk's exact size,
// 2^(letter - 'A') bytes, and messages may come glued together or cut anywhere. The console then
// reads every message of an arrival, holds a message cut short until its rest comes, and handles
// at most kMessagesPerPass messages at a time: the rest waits in a backlog that the owner works
// off from later passes of its event loop (HasWorkLeft, ProcessBacklog), so a flood of small
// messages never holds the window for long. Repeats of "lupd" and "cfgk" while a request for
// the log is still unanswered ask nothing more.
//
// Following a growing log. Such a service also hears "\ovx" from the console, sent right after
// the greeting; it then ends every transfer with "logp POS;", POS being where in the file the
// console's copy now ends (with a check of the bytes before it). When the log changes, the
// console asks for what follows its copy with "\ovt POS;", and the service answers either with
// the new complete lines, ended by "log+", which the console adds to its text, or, when the file
// is not the one the console has (rotated, truncated, rewritten), with the whole log as usual.
// "Pedir log ahora" and "Actualizar" still ask for the whole log.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What the conversation needs from its owner (the main window, or a test).
class ConversationHost {
public:
    virtual ~ConversationHost() = default;

    // One message, sent as it stands (single-byte text, no terminator).
    virtual void SendText(const QString& text) = 0;
    // One line of the message log.
    virtual void AddLog(const QString& text) = 0;
    // The whole text of a completed transfer, CR LF between lines, one byte per character; the
    // buffer is handed over, not copied.
    virtual void ShowLogText(QByteArray text) = 0;
    // New lines that follow the text shown; false, with nothing added, when the text would then
    // pass limit bytes. A host that keeps no text refuses them all.
    virtual bool AppendLogText(QByteArray text, qsizetype limit) {
        Q_UNUSED(text);
        Q_UNUSED(limit);
        return false;
    }
    // The table, then the diagram, rebuilt from the raw log view.
    virtual void RefreshViews() = 0;
    // Closes the socket and puts the window into the disconnected state.
    virtual void CloseConnection() = 0;
    // The buffer capacity as its box shows it, and the remote log path as typed.
    virtual QString NumBytesText() const = 0;
    virtual QString LogPathText() const = 0;
};

// The service writes every line break of the log as this marker.
inline constexpr QByteArrayView kLineBreakMarker = "<|br\\>";

// What ends the greeting of a service that frames its messages (see above). A greeting of a
// plain service ends like that only if someone means it to.
inline constexpr QByteArrayView kExtensionTag = " [ov+1]";

// The text with every line-break marker turned into CR LF, in one pass over the text's own
// storage (the result is never longer), so a transfer of hundreds of megabytes is not copied.
QByteArray ExpandLineBreaks(QByteArray text);

class ServiceConversation {
public:
    // Most text one transfer may gather (2^30 bytes, one per character); a transfer
    // beyond it is abandoned so that a service that never ends one cannot exhaust memory.
    static constexpr qsizetype kDefaultLogBufferLimit = qsizetype(1) << 30;

    explicit ServiceConversation(ConversationHost& host,
                                 qsizetype logBufferLimit = kDefaultLogBufferLimit);

    // The socket has connected: a new conversation starts, with an empty LogBuffer (text left
    // behind by a connection lost in mid-transfer is dropped), and "hello" is sent.
    void OnConnected();
    // Everything the socket delivered in one arrival.
    void OnDataArrival(QByteArrayView data);
    // The connection has ended: what was not yet handled is dropped.
    void OnDisconnected();

    // Most messages handled in one call, on a framed connection, while the backlog is below
    // kBacklogLimit bytes.
    static constexpr int kMessagesPerPass = 256;
    static constexpr qsizetype kBacklogLimit = qsizetype(1) << 20;
    // Messages wait in the backlog for a later pass; the owner calls ProcessBacklog then.
    bool HasWorkLeft() const;
    void ProcessBacklog();
    // Whether the service has promised framing on this connection.
    bool Framed() const { return m_framed; }
    // Off, the console does not ask a framing service to follow the log: every change brings
    // the whole log, as from a plain service (for comparisons).
    void SetFollowing(bool on) { m_following = on; }
    // Where in the service's file the text shown ends, as the service said; empty when unknown.
    const QByteArray& Position() const { return m_position; }

    // "Actualizar": the configuration from the buffer box and the path box as they are now.
    void SendConfiguration();
    // "Pedir log ahora".
    void RequestLog();
    // "Desconectar": asks the service to end; nothing changes until it answers or closes.
    void RequestDisconnect();

    // The text after the token and its separator: from the sixth character on, "" when shorter.
    static QByteArrayView GetParam(QByteArrayView Data);

    // The chunks of the transfer under way (line-break markers not yet replaced).
    const QByteArray& LogBuffer() const { return m_logBuffer; }
    // After a "logd" and before its "log.".
    bool TransferUnderWay() const { return m_transfer != Transfer::None; }
    qsizetype LogBufferLimit() const { return m_limit; }
    void SetLogBufferLimit(qsizetype limit) { m_limit = limit; }

private:
    enum class Transfer { None, Receiving, Abandoned };

    // Handles the message at the start of `rest`; answers the unread remainder, which is empty
    // unless the service frames its messages and more text followed this one.
    QByteArrayView HandleMessage(QByteArrayView rest);
    // Handles a framed pass's share of the messages in rest; answers what is left for later.
    QByteArrayView Work(QByteArrayView rest);
    void HandleGreeting(QByteArrayView data);
    QByteArrayView HandlePosition(QByteArrayView rest);
    void LogChanged();
    void EndTransfer(bool append);
    bool IsCutShort(QByteArrayView rest) const;
    QByteArrayView TakeChunkText(QByteArrayView text);
    void StoreChunkText(QByteArrayView text);

    ConversationHost& m_host;
    qsizetype m_limit;
    QByteArray m_logBuffer;
    Transfer m_transfer = Transfer::None;
    // Characters still owed to a chunk of announced size; -1 while the chunk's size is unknown
    // (it then runs to the end of each arrival), 0 when none is open.
    qint64 m_chunkRemaining = 0;
    // The service promised framing in its greeting.
    bool m_framed = false;
    bool m_greeted = false; // only the first greeting of a connection can promise framing
    bool m_following = true;
    // "\ovg" was sent and no transfer has begun since.
    bool m_logRequested = false;
    // Framed input not handled yet: messages beyond a pass's share, or one cut short.
    QByteArray m_backlog;
    // The position of the text shown, and the one announced for the transfer under way.
    QByteArray m_position;
    QByteArray m_nextPosition;
};
