#pragma once
// Pieces the log-service tests share: the real ovservice program on a system-chosen port, a raw
// TCP client that speaks bytes to it, and a small console (the real CSocketMaster and
// ServiceConversation, without a window).
#include "link/ServiceConversation.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>

class CSocketMaster;
class QTcpSocket;

namespace servicetest {

// Generous limit for anything the tests wait for.
inline constexpr int kWaitMs = 30000;

QString ProgramPath(const QString& name);

// ovservice started with the given arguments and "--port 0"; Port() is what it printed.
class ServiceProcess {
public:
    // `environment`: extra NAME=VALUE settings for the process.
    explicit ServiceProcess(const QStringList& args, const QStringList& environment = {});
    ~ServiceProcess();
    bool Started() const { return m_port != 0; }
    quint16 Port() const { return m_port; }
    bool Running() const { return m_process.state() == QProcess::Running; }
    qint64 ProcessId() const { return m_process.processId(); }
    // Everything the service wrote to standard error so far.
    QString Log();

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_log;
};

// One transfer as it arrived.
struct Received {
    QByteArray text;     // the log text, markers kept (empty when only counted)
    qint64 total = 0;    // bytes of text
    int chunks = 0;      // -1: a message that is neither a sized chunk nor an ending came
    QByteArray position; // what "logp " carried before its ';'; empty when none came
    QByteArray end;      // "log." or "log+"
    int updates = 0;     // "lupd" messages that came before the first chunk
};

// Bytes in, bytes out, no protocol knowledge beyond reading the service's framed chunks.
class RawClient {
public:
    explicit RawClient(quint16 port);
    ~RawClient();
    bool Connected() const;
    void Send(const QByteArray& bytes);
    // Waits until at least n bytes have arrived and takes exactly n.
    QByteArray Take(qsizetype n);
    // The service's answer to a message of 4 bytes ("cfgk", "cfg!", "disc", ...).
    QByteArray TakeToken() { return Take(4); }
    // A whole transfer after "\ovg", acknowledging every chunk: the log text (markers kept)
    // and the number of chunks (-1 for a message that is not a sized chunk). With `total`,
    // the text is only counted.
    // A plain transfer: anything else than chunks and "log." counts as a bad message.
    QByteArray TakeTransfer(int* chunks, qint64* total = nullptr);
    // Any transfer, acknowledging every chunk; `onChunk` (with the chunk's number from 1) runs
    // before each acknowledgement.
    Received TakeReceived(bool countOnly = false, const std::function<void(int)>& onChunk = {});
    // The next message of `size` bytes, past any "lupd" before it.
    QByteArray TakeAfterUpdates(qsizetype size);
    // Waits for the service to close the connection.
    bool WaitClosed();
    void Abort();
    QTcpSocket* Socket() const { return m_socket.get(); }

private:
    std::unique_ptr<QTcpSocket> m_socket;
    QByteArray m_received;
};

// The console's link without its window: what the conversation logs, shows and sends.
class WiredConsole : public QObject, public ConversationHost {
    Q_OBJECT
public:
    WiredConsole();
    ~WiredConsole() override;

    void ConnectTo(quint16 port);
    bool IsConnected() const;

    void SendText(const QString& text) override;
    void AddLog(const QString& text) override {
        Log << text;
        emit Changed();
    }
    void ShowLogText(QByteArray text) override {
        Shown = std::move(text);
        ++Shows;
        emit Changed();
    }
    // New lines after the text shown, within the limit as the window keeps it.
    bool AppendLogText(QByteArray text, qsizetype limit) override {
        if (text.size() > limit - Shown.size()) return false;
        Shown += text;
        ++Appends;
        emit Changed();
        return true;
    }
    void RefreshViews() override { ++Refreshes; }
    void CloseConnection() override;
    QString NumBytesText() const override { return NumBytes; }
    QString LogPathText() const override { return LogPath; }

    CSocketMaster& Socket() { return *m_socket; }
    ServiceConversation Conversation;
    QStringList Log;
    QByteArray Shown;
    int Shows = 0;
    int Appends = 0;
    int Refreshes = 0;
    int Closes = 0;
    QStringList Errors;
    QString NumBytes = QStringLiteral("2000");
    QString LogPath;

signals:
    // Something the conversation did, or a socket error.
    void Changed();

private:
    std::unique_ptr<CSocketMaster> m_socket;
};

// Runs the event loop until `done` holds, looking again whenever one of the consoles changes
// (no polling, so a transfer of thousands of chunks runs at full speed). False after `ms`.
bool WaitFor(std::initializer_list<WiredConsole*> consoles, const std::function<bool()>& done,
             int ms = kWaitMs);

// The text the console must show for a log file's bytes: line ends as CR LF.
QByteArray ExpectedView(const QByteArray& fileBytes);
// A log file's bytes as the service sends them: line ends (LF, CR LF) as "<|br\>".
QByteArray Marked(const QByteArray& fileBytes);

// 64-bit FNV-1a, written here apart from the service's.
quint64 ReferenceFnv1a(const QByteArray& bytes);
// The position a console holds after the first `length` bytes of the file at `path`, worked out
// from the file as it is now: "LEN:HASH", HASH over st_dev and st_ino (8 bytes little-endian
// each) and the file's bytes [LEN-4096, LEN). Empty when the file cannot be read.
QByteArray ExpectedPosition(const QString& path, qint64 length);

} // namespace servicetest
