#pragma once
// The real log service, started for one test on a port the system chooses and stopped with it.
#include <QProcess>
#include <QString>
#include <QStringList>

class ServiceProcess {
public:
    // Serves the files under allowed; answers false when the service did not come up.
    bool start(const QStringList& allowed);
    ~ServiceProcess();

    quint16 port() const { return port_; }

private:
    QProcess process_;
    quint16 port_ = 0;
};
