// Following a growing log: the corpus repeated to 1,000,000 lines, served by ovservice, shown by
// the real window (offscreen); then, for 30 s, 100 lines are added to the file every 500 ms.
// Measured in the console's process, from the first addition to the moment it shows every line:
// the bytes that arrived from the service per update, the CPU time per update, and the peak
// memory; once with the protocol's extension for following a log, once without it (each change
// then brings the whole log again).
// Run: build/bench/bench_tail [tail|whole]   (one of the two runs only; about 300 MB of disk)
#include "BigLog.h"
#include "link/CSocketMaster.h"
#include "window/fMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr qint64 kLines = 1000000;
constexpr int kAdded = 100;    // lines per addition
constexpr int kEveryMs = 500;  // between additions
constexpr int kAdditions = 60; // 30 s

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The console: connects, waits for the whole log, says "ready", then follows the file until it
// shows every line the parent will add, and prints its figures.
int runConsole(const QStringList& args) {
    const QString folder = args.value(0);
    const quint16 port = quint16(args.value(1).toUInt());
    const QString log = args.value(2);
    const bool extension = args.value(3) == QLatin1String("tail");
    int argc = 1;
    char name[] = "bench_tail";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QFile ovp(folder + QStringLiteral("/tail.ovp"));
    ovp.open(QIODevice::WriteOnly);
    QTextStream(&ovp) << "[main]\nip=127.0.0.1\nnumbytes=1048576\nlogpath=" << log << "\nview=1\n";
    ovp.close();

    fMain w(QStringLiteral(OV_BIN_DIR));
    w.setServicePort(port);
    w.setLogFollowing(extension);
    w.Form_Load(QStringLiteral("-i ") + ovp.fileName());
    // Waiting below sleeps until an event comes; this one comes at least every 5 ms.
    QTimer tick;
    tick.start(5);
    qint64 received = 0;
    QObject::connect(w.wsock(), &CSocketMaster::DataArrival, &w,
                     [&received](qint32 bytes) { received += bytes; });
    w.cConnect_Click();
    // Lines with a CR LF after each, so one empty row more.
    const auto waitFor = [&](qint64 rows, int ms) {
        QElapsedTimer t;
        t.start();
        while (w.RawText().RowCount() < rows && t.elapsed() < ms)
            app.processEvents(QEventLoop::WaitForMoreEvents);
    };
    waitFor(kLines + 1, 120000);
    std::printf("READY\n");
    std::fflush(stdout);

    const qint64 receivedBefore = received;
    const double cpuBefore = cpuSeconds();
    quint64 revision = w.RawText().Revision();
    int updates = 0;
    QElapsedTimer t;
    t.start();
    const qint64 all = kLines + qint64(kAdded) * kAdditions + 1;
    while (w.RawText().RowCount() < all && t.elapsed() < 300000) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        if (w.RawText().Revision() != revision) {
            revision = w.RawText().Revision();
            ++updates;
        }
    }
    const double cpu = cpuSeconds() - cpuBefore;
    const qint64 bytes = received - receivedBefore;
    std::printf("  rows shown              %lld of %lld, after %.1f s\n",
                qint64(w.RawText().RowCount()), all, double(t.elapsed()) / 1000);
    std::printf("  updates                 %d\n", updates);
    std::printf("  bytes per update        %.0f (%.1f MB in all)\n",
                double(bytes) / qMax(updates, 1), double(bytes) / 1e6);
    std::printf("  CPU per update          %.1f ms (%.2f s in all)\n",
                cpu * 1000 / qMax(updates, 1), cpu);
    std::printf("  peak RSS                %ld MB\n", benchlog::peakRssMb());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--console") {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return runConsole(args);
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = temp.path();
    const QString log = folder + QStringLiteral("/access.log");
    QProcess service;
    const QString port = benchlog::startService(
        service, folder, {QStringLiteral("--poll-ms"), QStringLiteral("100")});

    const QByteArray only = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    for (const char* mode : {"tail", "whole"}) {
        if (!only.isEmpty() && only != mode) continue;
        benchlog::writeLog(log, kLines, 0);
        std::printf("%s (1,000,000 lines, then %d lines every %d ms for %d s)\n",
                    QByteArray(mode) == "tail" ? "With the extension" : "Without it", kAdded,
                    kEveryMs, kAdditions * kEveryMs / 1000);
        std::fflush(stdout);
        QProcess console;
        console.setProcessChannelMode(QProcess::SeparateChannels);
        console.setStandardErrorFile(QProcess::nullDevice());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        console.setProcessEnvironment(env);
        console.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--console"), folder, port, log, QString::fromLatin1(mode)});
        while (!console.canReadLine() && console.waitForReadyRead(180000)) {
        }
        console.readLine(); // READY
        for (int i = 0; i < kAdditions; ++i) {
            QThread::msleep(kEveryMs);
            benchlog::writeLog(log, kAdded, 0, true, kLines + qint64(i) * kAdded);
        }
        console.waitForFinished(-1);
        std::fputs(console.readAll().constData(), stdout);
    }
    service.terminate();
    service.waitForFinished(5000);
    return 0;
}
