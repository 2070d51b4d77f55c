#pragma once
// One console connected to the log service: answers its messages, streams the configured log to
// it one chunk per acknowledgement, and tells it when the log changes ("lupd"), never inside a
// transfer. Bad input ends nothing but the malformed message; a console that stops reading stops
// being served (its output backlog is bounded) without holding up the others.
//
// A console that says "\ovx" follows a growing log: every transfer then ends with the position
// its copy reaches ("logp POS;"), and "\ovt POS;" asks for the complete lines after POS, sent as
// a transfer ending with "log+", or the whole log ("log.") when the file is no longer the one POS
// describes. Other consoles see none of it.
#include "service/LogPosition.h"
#include "service/MessageSplitter.h"
#include "service/ServiceConfig.h"

#include <QObject>
#include <memory>
#include <optional>

class QTcpSocket;

namespace ov::service {

class LogFileWatch;
class LogTransfer;

struct SessionSettings {
    const AllowList* allow = nullptr;
    QString greeting;
};

class ServiceSession : public QObject {
    Q_OBJECT
public:
    // Takes the socket over (as a child).
    ServiceSession(QTcpSocket* socket, SessionSettings settings, LogFileWatch& watch, quint64 id,
                   QObject* parent = nullptr);
    ~ServiceSession() override;

    // Output held for a slow reader beyond which no further input is taken.
    static constexpr qint64 kBacklogLimit = 8 * 1024 * 1024;
    static constexpr qint64 kReadBufferBytes = 64 * 1024;

signals:
    void Finished();

private:
    // Asked for during a transfer: served after it. The whole log outranks a tail.
    enum class Pending { None, Tail, Whole };

    void ReadInput();
    void Handle(const ClientMessage& message);
    void Configure(const QByteArray& body);
    // The whole log, or (Tail) what follows `from`: see LogTransfer::Open.
    void RequestLog(Pending kind, const std::optional<LogPosition>& from);
    void StartTransfer(const std::optional<LogPosition>& from);
    void FinishTransfer();
    void SendNextChunk();
    void OnLogChanged(const QString& path);
    void Send(QByteArrayView message);
    void Note(const QString& line) const;
    void SetWatchedPath(const QString& path);

    QTcpSocket* m_socket;
    SessionSettings m_settings;
    LogFileWatch& m_watch;
    const quint64 m_id;
    MessageSplitter m_splitter;
    std::optional<LogConfig> m_config;
    QString m_watchedPath;
    std::unique_ptr<LogTransfer> m_transfer;
    bool m_awaitingAck = false;
    bool m_changePending = false; // the log changed during a transfer
    Pending m_requestPending = Pending::None;
    bool m_extended = false; // the console said "\ovx"
    bool m_closing = false;
};

} // namespace ov::service
