#pragma once
// One console connected to the log service: answers its messages, streams the configured log to
// it one chunk per acknowledgement, and tells it when the log changes ("lupd"), never inside a
// transfer. Bad input ends nothing but the malformed message; a console that stops reading stops
// being served (its output backlog is bounded) without holding up the others.
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
    void ReadInput();
    void Handle(const ClientMessage& message);
    void Configure(const QByteArray& body);
    void RequestLog();
    void StartTransfer();
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
    bool m_changePending = false;  // the log changed during a transfer
    bool m_requestPending = false; // "\ovg" came during a transfer
    bool m_closing = false;
};

} // namespace ov::service
