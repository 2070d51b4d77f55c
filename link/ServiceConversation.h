#pragma once
// The console's side of the conversation with the log service: what it sends, how it recognises
// what arrives, and how the chunks of one log transfer are joined and handed to the views. It
// knows neither the window nor the socket: both are reached through a ConversationHost, so the
// whole conversation runs in tests without either.
//
// Framing. Messages carry no length; a message from the service is a four-character token
// (compared in any letter case), and for "helo" and "logd" one separator character and the data.
// TCP may cut one chunk into several arrivals or glue two messages into one, so:
//  - an arrival without a known token while a transfer is under way is the rest of the chunk;
//  - a "logd" whose separator is a letter 'A'..'W' announces a chunk of exactly 2^(letter - 'A')
//    characters (our ovservice always sends these); its end is then known, and whatever follows
//    it in the same arrival is read as the next message;
//  - "cfgk", "cfg!", "log.", "disc" and "lupd" carry no data, so text after them is read as the
//    next message too;
//  - once such a sized chunk has come, arrivals are known to be cut anywhere: a message start
//    cut short ("lo", or "logd" without its separator) waits for the rest of it.
// With any other separator the chunk runs to the end of the arrival, as the protocol has it.
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

private:
    enum class Transfer { None, Receiving, Abandoned };

    // Handles the message at the start of `rest`; answers the unread remainder, which is empty
    // unless the message's end was known and more text followed it.
    QByteArrayView HandleMessage(QByteArrayView rest);
    bool IsCutShort(QByteArrayView rest) const;
    QByteArrayView TakeChunkText(QByteArrayView text);
    void StoreChunkText(QByteArrayView text);
    void CompleteTransfer();

    ConversationHost& m_host;
    const qsizetype m_limit;
    QByteArray m_logBuffer;
    Transfer m_transfer = Transfer::None;
    // Characters still owed to a chunk of announced size; -1 while the chunk's size is unknown
    // (it then runs to the end of each arrival), 0 when none is open.
    qint64 m_chunkRemaining = 0;
    // The service has sent a sized chunk on this connection, so its messages are framed.
    bool m_framed = false;
    // The beginning of a message whose rest is still to arrive.
    QByteArray m_held;
};
