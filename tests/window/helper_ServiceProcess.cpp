#include "ServiceProcess.h"

#include <QDeadlineTimer>

bool ServiceProcess::start(const QStringList& allowed) {
    QStringList args{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--greeting"),
                     QStringLiteral("Servicio de pruebas")};
    for (const QString& path : allowed)
        args << QStringLiteral("--allow") << path;
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QStringLiteral(OV_BIN_DIR "/ovservice"), args);
    if (!process_.waitForStarted(10000)) return false;
    // The first line on standard output names the port.
    QDeadlineTimer deadline(20000);
    QByteArray out;
    while (!out.contains('\n') && !deadline.hasExpired()) {
        process_.waitForReadyRead(200);
        out += process_.readAllStandardOutput();
    }
    const QList<QByteArray> words = out.trimmed().split(' ');
    port_ = words.size() == 3 && words[0] == "listening" ? words[2].toUShort() : 0;
    return port_ != 0;
}

ServiceProcess::~ServiceProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}
