// ovdemolog: writes a realistic Apache combined access log for demonstrations and tests.
//
//   ovdemolog OUT_FILE --lines N [--hosts H] [--grow-every SECONDS]
//
// OUT_FILE is replaced by N lines (the same N lines on every run). With --grow-every the program
// then appends a few lines, stamped with the current time, every SECONDS (fractions allowed)
// until it is stopped.
#include "service/DemoLog.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

int Usage(const QString& problem) {
    QTextStream(stderr)
        << "ovdemolog: " << problem << "\n"
        << "usage: ovdemolog OUT_FILE --lines N [--hosts H] [--grow-every SECONDS]\n";
    return 2;
}

bool WriteAll(QFile& file, const QByteArray& bytes) {
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString out;
    qint64 lines = -1;
    double growEvery = 0;
    int hosts = ov::service::DemoLog::kHosts;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = false;
        if (a == u"--lines" && i + 1 < args.size()) {
            lines = args[++i].toLongLong(&ok);
            if (!ok || lines < 0) return Usage(QStringLiteral("--lines wants a whole number"));
        } else if (a == u"--hosts" && i + 1 < args.size()) {
            hosts = args[++i].toInt(&ok);
            if (!ok || hosts < 1 || hosts > 100000)
                return Usage(QStringLiteral("--hosts wants a number from 1 to 100000"));
        } else if (a == u"--grow-every" && i + 1 < args.size()) {
            growEvery = args[++i].toDouble(&ok);
            if (!ok || !std::isfinite(growEvery) || growEvery <= 0 || growEvery > 86400)
                return Usage(QStringLiteral("--grow-every wants seconds above 0"));
        } else if (!a.startsWith(u"--") && out.isEmpty()) {
            out = a;
        } else {
            return Usage(QStringLiteral("unexpected argument: ") + a);
        }
    }
    if (out.isEmpty()) return Usage(QStringLiteral("no output file"));
    if (lines < 0) return Usage(QStringLiteral("--lines is required"));

    ov::service::DemoLog log(hosts);
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Usage(QStringLiteral("cannot write %1: %2").arg(out, file.errorString()));
    QByteArray block;
    for (qint64 n = 0; n < lines; ++n) {
        block += log.NextLine(log.NextTime());
        if (block.size() > (1 << 20) || n + 1 == lines) {
            if (!WriteAll(file, block))
                return Usage(QStringLiteral("write failed: ") + file.errorString());
            block.clear();
        }
    }
    file.close();
    if (growEvery <= 0) return 0;

    // Growing: each burst is one write of whole lines, so a reader never sees half a line
    // appended unless the disk fills up.
    const auto period = std::chrono::duration<double>(growEvery);
    std::mt19937 burst(ov::service::DemoLog::kSeed);
    for (;;) {
        std::this_thread::sleep_for(period);
        QByteArray more;
        for (quint32 n = 1 + burst() % 4; n > 0; --n)
            more += log.NextLine(QDateTime::currentDateTimeUtc());
        QFile append(out);
        if (!append.open(QIODevice::WriteOnly | QIODevice::Append) || !WriteAll(append, more))
            return Usage(QStringLiteral("cannot append to %1: %2").arg(out, append.errorString()));
    }
}
