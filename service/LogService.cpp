// Accepting consoles (see LogService.h).
#include "service/LogService.h"

#include "service/LogFileWatch.h"
#include "service/ServiceSession.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace ov::service {

LogService::LogService(ServiceOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_allow(m_options.allow),
      m_server(new QTcpServer(this)), m_watch(new LogFileWatch(m_options.pollMs, this)) {
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

void LogService::Accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        auto* session =
            new ServiceSession(socket, {&m_allow, m_options.greeting}, *m_watch, m_nextId++, this);
        connect(session, &ServiceSession::Finished, session, &QObject::deleteLater);
    }
}

} // namespace ov::service
