// One console's conversation with the log service (see ServiceSession.h).
#include "service/ServiceSession.h"

#include "core/ansi.h"
#include "service/LogFileWatch.h"
#include "service/LogTransfer.h"

#include <QTcpSocket>
#include <QTextStream>
#include <algorithm>
#include <utility>

namespace ov::service {
namespace {

// Ends the greeting: the console then knows that this service names every chunk's size in its
// separator (see LogTransfer.h) and may read messages glued together or cut anywhere.
constexpr QByteArrayView kExtensionTag = " [ov+1]";

} // namespace

ServiceSession::ServiceSession(QTcpSocket* socket, SessionSettings settings, LogFileWatch& watch,
                               quint64 id, QObject* parent)
    : QObject(parent), m_socket(socket), m_settings(std::move(settings)), m_watch(watch), m_id(id) {
    m_socket->setParent(this);
    // Unread input stays in the system's buffers, so a flooding client is held back by TCP.
    m_socket->setReadBufferSize(kReadBufferBytes);
    Note(QStringLiteral("connected from %1:%2")
             .arg(m_socket->peerAddress().toString())
             .arg(m_socket->peerPort()));
    connect(m_socket, &QTcpSocket::readyRead, this, &ServiceSession::ReadInput);
    // Output drained: input held back for a slow reader may be taken again.
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ServiceSession::ReadInput);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        Note(QStringLiteral("disconnected"));
        emit Finished();
    });
    connect(&m_watch, &LogFileWatch::Changed, this, &ServiceSession::OnLogChanged);
    ReadInput();
}

ServiceSession::~ServiceSession() {
    SetWatchedPath({});
}

void ServiceSession::Note(const QString& line) const {
    QTextStream(stderr) << "ovservice [" << m_id << "] " << line << Qt::endl;
}

void ServiceSession::Send(QByteArrayView message) {
    if (m_socket->state() != QAbstractSocket::ConnectedState) return;
    m_socket->write(message.data(), message.size());
}

void ServiceSession::ReadInput() {
    while (!m_closing && m_socket->state() == QAbstractSocket::ConnectedState &&
           m_socket->bytesToWrite() < kBacklogLimit) {
        if (const auto message = m_splitter.Next()) {
            Handle(*message);
            continue;
        }
        const QByteArray bytes = m_socket->read(kReadBufferBytes);
        if (bytes.isEmpty()) break;
        m_splitter.Append(bytes);
    }
}

void ServiceSession::Handle(const ClientMessage& message) {
    switch (message.kind) {
    case ClientMessageKind::Hello:
        // The tag promises framing: sized chunks whose messages may be glued or cut.
        Send(QByteArray("helo ").append(ov::toAnsi(m_settings.greeting)).append(kExtensionTag));
        break;
    case ClientMessageKind::Config:
        Configure(message.body);
        break;
    case ClientMessageKind::RequestLog:
        RequestLog(Pending::Whole, std::nullopt);
        break;
    case ClientMessageKind::Extend:
        if (!m_extended) Note(QStringLiteral("follows the log's growth"));
        m_extended = true;
        break;
    case ClientMessageKind::RequestTail:
        // Without "\ovx" the console is not told where its copy ends, so it gets the whole log.
        if (m_extended)
            RequestLog(Pending::Tail, ParsePosition(message.body));
        else
            RequestLog(Pending::Whole, std::nullopt);
        break;
    case ClientMessageKind::Ack:
        if (m_transfer && m_awaitingAck) {
            m_awaitingAck = false;
            SendNextChunk();
        }
        break;
    case ClientMessageKind::Exit:
        Note(QStringLiteral("asked to disconnect"));
        Send("disc");
        m_closing = true;
        m_socket->disconnectFromHost(); // after what is queued has gone out
        break;
    }
}

void ServiceSession::SetWatchedPath(const QString& path) {
    if (path == m_watchedPath) return;
    if (!m_watchedPath.isEmpty()) m_watch.Unwatch(m_watchedPath);
    m_watchedPath = path;
    if (!m_watchedPath.isEmpty()) m_watch.Watch(m_watchedPath);
}

void ServiceSession::Configure(const QByteArray& body) {
    QString reason;
    m_config = ParseConfig(body, *m_settings.allow, &reason);
    if (!m_config) {
        Note(QStringLiteral("configuration refused: ") + reason);
        SetWatchedPath({});
        Send("cfg!");
        return;
    }
    Note(QStringLiteral("configuration accepted: %1, chunks of at most %2 bytes")
             .arg(Printable(m_config->path))
             .arg(m_config->capacity));
    SetWatchedPath(m_config->path);
    Send("cfgk");
}

void ServiceSession::RequestLog(Pending kind, const std::optional<LogPosition>& from) {
    if (!m_config) {
        Note(QStringLiteral("log asked for before a valid configuration"));
        Send("cfg!");
        return;
    }
    if (m_transfer) {
        // Served after the transfer under way; a tail then starts where that one ends, whatever
        // position the request carried.
        m_requestPending = std::max(m_requestPending, kind);
        return;
    }
    StartTransfer(kind == Pending::Tail ? from : std::nullopt);
}

void ServiceSession::StartTransfer(const std::optional<LogPosition>& from) {
    QString reason;
    const auto path = ResolveServedFile(m_config->path, *m_settings.allow, &reason);
    auto transfer = std::make_unique<LogTransfer>();
    if (!path || !transfer->Open(*path, m_config->capacity, from, &reason)) {
        Note(QStringLiteral("log not sent: ") + reason);
        Send("cfg!");
        return;
    }
    Note(QStringLiteral("sending %1%2 (%3 bytes)")
             .arg(transfer->IsTail() ? QStringLiteral("the new lines of ") : QString(),
                  Printable(*path))
             .arg(transfer->SourceBytes()));
    m_transfer = std::move(transfer);
    m_changePending = false; // this copy holds every change so far
    m_awaitingAck = false;
    SendNextChunk();
}

void ServiceSession::SendNextChunk() {
    const QByteArrayView message = m_transfer->NextMessage();
    if (!message.isEmpty()) {
        Send(message);
        m_awaitingAck = true;
        return;
    }
    FinishTransfer();
}

void ServiceSession::FinishTransfer() {
    Note(QStringLiteral("sent %1 bytes of text in %2 chunks")
             .arg(m_transfer->SentBytes())
             .arg(m_transfer->Chunks()));
    const LogPosition end = m_transfer->EndPosition();
    const bool tail = m_transfer->IsTail();
    m_transfer.reset();
    if (m_extended) Send(QByteArray("logp ").append(FormatPosition(end)).append(';'));
    Send(tail ? "log+" : "log.");
    const Pending pending = std::exchange(m_requestPending, Pending::None);
    if (pending != Pending::None) {
        // Ordered from this transfer's end, so a log growing faster than it is sent has no holes.
        RequestLog(pending, end);
    } else if (m_changePending) {
        m_changePending = false;
        Send("lupd");
    }
}

void ServiceSession::OnLogChanged(const QString& path) {
    if (m_closing || path != m_watchedPath) return;
    Note(QStringLiteral("log changed"));
    if (m_transfer)
        m_changePending = true;
    else
        Send("lupd");
}

} // namespace ov::service
