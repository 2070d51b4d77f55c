#pragma once
// The log service: listens for consoles and gives each connection its own session; the files
// they configure are watched once, however many consoles watch them. A console from an address
// not allowed, or beyond the most consoles served at once, is closed as soon as it is accepted.
#include "service/ClientFilter.h"
#include "service/ServiceConfig.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <optional>

class QTcpServer;

namespace ov::service {

class LogFileWatch;

struct ServiceOptions {
    QHostAddress bind = QHostAddress::LocalHost;
    quint16 port = 5998;
    QStringList allow;
    QString greeting = QStringLiteral("Servicio de logs Orvalen");
    int pollMs = 500;
    QList<ClientRange> allowClients; // none: every address
    int maxClients = 8;
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
    // Why a new console is turned away, or nothing when it is served.
    std::optional<QString> Refusal(const QHostAddress& peer) const;

    ServiceOptions m_options;
    AllowList m_allow;
    ClientFilter m_clients;
    QTcpServer* m_server;
    LogFileWatch* m_watch;
    quint64 m_nextId = 1;
    int m_served = 0; // sessions whose console has not gone yet
};

} // namespace ov::service
