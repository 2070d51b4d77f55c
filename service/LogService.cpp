// Accepting consoles (see LogService.h).
#include "service/LogService.h"

#include "service/LogFileWatch.h"
#include "service/ServiceSession.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>

namespace ov::service {

LogService::LogService(ServiceOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_allow(m_options.allow),
      m_clients(m_options.allowClients), m_server(new QTcpServer(this)),
      m_watch(new LogFileWatch(m_options.pollMs, this)) {
    connect(m_server, &QTcpServer::newConnection, this, &LogService::Accept);
}

LogService::~LogService() {
    qDeleteAll(findChildren<ServiceSession*>(Qt::FindDirectChildrenOnly));
}

bool LogService::Listen(QString* error) {
    if (m_server->listen(m_options.bind, m_options.port)) return true;
    if (error) *error = m_server->errorString();
    return false;
}

quint16 LogService::Port() const {
    return m_server->serverPort();
}

std::optional<QString> LogService::Refusal(const QHostAddress& peer) const {
    if (!m_clients.Allows(peer)) return QStringLiteral("not an allowed client (--allow-client)");
    if (m_served >= m_options.maxClients)
        return QStringLiteral("already serving %1 consoles (--max-clients)").arg(m_served);
    return std::nullopt;
}

void LogService::Accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        if (const auto why = Refusal(socket->peerAddress())) {
            // Closed before a byte is sent: the console sees a connection that ends, nothing it
            // could take for the service's answer.
            QTextStream(stderr) << "ovservice: refused " << socket->peerAddress().toString() << ":"
                                << socket->peerPort() << ": " << *why << Qt::endl;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* session =
            new ServiceSession(socket, {&m_allow, m_options.greeting}, *m_watch, m_nextId++, this);
        ++m_served;
        connect(session, &ServiceSession::Finished, this, [this] { --m_served; });
        connect(session, &ServiceSession::Finished, session, &QObject::deleteLater);
    }
}

} // namespace ov::service
