#pragma once
// The log service: listens for consoles and gives each connection its own session; the files
// they configure are watched once, however many consoles watch them.
#include "service/ServiceConfig.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpServer;

namespace ov::service {

class LogFileWatch;

struct ServiceOptions {
    QHostAddress bind = QHostAddress::LocalHost;
    quint16 port = 5998;
    QStringList allow;
    QString greeting = QStringLiteral("Servicio de logs Orvalen");
    int pollMs = 500;
};

class LogService : public QObject {
    Q_OBJECT
public:
    explicit LogService(ServiceOptions options, QObject* parent = nullptr);
    // Sessions go first: they let go of the files they watch.
    ~LogService() override;

    // False, with the reason, when the address cannot be listened on.
    bool Listen(QString* error);
    quint16 Port() const;

private:
    void Accept();

    ServiceOptions m_options;
    AllowList m_allow;
    QTcpServer* m_server;
    LogFileWatch* m_watch;
    quint64 m_nextId = 1;
};

} // namespace ov::service
