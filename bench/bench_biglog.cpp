// A big log, end to end, as an operator meets it: the real corpus repeated to 1,000,000 lines
// (and to 100 MB and 10 MB), served by the real ovservice over loopback to the real window on the
// offscreen platform, connected from a profile as `ovclient -i PROFILE -c` does. For each case a
// fresh process (this program again, with --case) measures
//   - the time from its start to the raw view painted with the whole log,
//   - the transfer rate from the first arrival to the end of the transfer,
//   - then "Tabla" filled and painted, "Diagrama" drawn (1 M lines only),
//   - one character typed at the end of the raw view until it is repainted, and Find counting
//     every match of a word (1 M lines only),
//   - its peak resident memory.
// Run: build/bench/bench_biglog   (prints one block per case; needs ~1 GB of disk)
#include "BigLog.h"
#include "link/CSocketMaster.h"
#include "views/FindBar.h"
#include "views/RawLogView.h"
#include "widgets/ctlTabs.h"
#include "widgets/ucListView.h"
#include "window/fMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Case {
    const char* name;
    qint64 lines; // lines of the log, or 0 to fill `bytes`
    qint64 bytes; // the log's size when lines is 0
    qint64 numbytes;
    bool views; // also measure the table, the diagram and typing
};

constexpr Case kCases[] = {
    {"1 M lines, numbytes 1048576", 1000000, 0, 1048576, true},
    {"100 MB, numbytes 1048576", 0, 100000000, 1048576, false},
    {"10 MB, numbytes 2000", 0, 10000000, 2000, false},
};

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// One case, in a process of its own so that its peak memory is its own.
int runCase(const QStringList& args) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    const QString folder = args.value(0);
    const quint16 port = quint16(args.value(1).toUInt());
    const QString log = args.value(2);
    const qint64 numbytes = args.value(3).toLongLong();
    const qint64 lines = args.value(4).toLongLong();
    const bool views = args.value(5) == QLatin1String("views");

    int argc = 1;
    char name[] = "bench_biglog";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const QString profile = folder + QStringLiteral("/big.ovp");
    QFile ovp(profile);
    ovp.open(QIODevice::WriteOnly);
    QTextStream(&ovp) << "[main]\nip=127.0.0.1\nnumbytes=" << numbytes << "\nlogpath=" << log
                      << "\nview=1\n";
    ovp.close();

    fMain w(QStringLiteral(OV_BIN_DIR));
    w.setServicePort(port);
    // As "-i PROFILE -c" would, but connecting after start-up so that the first arrival is seen.
    w.Form_Load(QStringLiteral("-i ") + profile);
    // Waiting below sleeps until an event comes; this one comes at least every 20 ms.
    QTimer tick;
    tick.start(20);
    QElapsedTimer transfer;
    QObject::connect(w.wsock(), &CSocketMaster::DataArrival, &w, [&transfer] {
        if (!transfer.isValid()) transfer.start();
    });
    w.cConnect_Click();

    auto* logf = w.findChild<RawLogView*>(QStringLiteral("logf"));
    QElapsedTimer wait;
    wait.start();
    while (w.RawText().RowCount() < lines && wait.elapsed() < 600000)
        app.processEvents(QEventLoop::WaitForMoreEvents);
    const double transferMs = ms(transfer);
    logf->repaint();
    const double shownMs = ms(sinceStart);
    const qint64 size = w.RawText().Size();
    std::printf("  rows shown              %lld of %lld\n", qint64(w.RawText().RowCount()), lines);
    std::printf("  start to raw view shown %.0f ms\n", shownMs);
    std::printf("  transfer                %.0f ms, %.1f MB/s\n", transferMs,
                double(size) / 1e6 / (transferMs / 1000));

    if (views) {
        auto* tabs = w.findChild<ctlTabs*>(QStringLiteral("tabs"));
        auto* lv = w.findChild<ucListView*>(QStringLiteral("lv"));
        QElapsedTimer t;
        t.start();
        tabs->setSelectedTab(2);
        w.tabs_TabClick(1, 2);
        lv->repaint();
        std::printf("  \"Tabla\" filled           %.0f ms (%d rows)\n", ms(t), lv->Count());
        t.restart();
        tabs->setSelectedTab(3);
        w.tabs_TabClick(2, 3);
        std::printf("  \"Diagrama\" drawn         %.0f ms\n", ms(t));

        tabs->setSelectedTab(1);
        w.tabs_TabClick(3, 1);
        logf->setFocus();
        logf->Select(logf->logText().End(), logf->logText().End());
        app.processEvents();
        std::vector<double> typing;
        for (int i = 0; i < 50; ++i) {
            t.restart();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
            QApplication::sendEvent(logf, &press);
            logf->viewport()->repaint();
            typing.push_back(ms(t));
        }
        std::sort(typing.begin(), typing.end());

        // Find on the raw view: from typing the text to every match counted.
        auto* bar = w.findChild<FindBar*>(QStringLiteral("findBar"));
        auto* tFind = w.findChild<QLineEdit*>(QStringLiteral("tFind"));
        w.mFind_Click();
        for (const char* term : {"Googlebot", "MOZILLA", "no such text"}) {
            t.restart();
            tFind->setText(QString::fromLatin1(term));
            emit tFind->textEdited(tFind->text());
            while (bar->Searching())
                app.processEvents();
            std::printf("  find \"%s\"%*s %.0f ms, %s\n", term, int(14 - qstrlen(term)), "", ms(t),
                        qPrintable(bar->CountText()));
        }
        std::printf("  typing at the end       median %.2f ms, slowest %.2f ms (50 keys)\n",
                    typing[typing.size() / 2], typing.back());
    }
    std::printf("  peak RSS                %ld MB (log %.0f MB)\n", benchlog::peakRssMb(),
                double(size) / 1e6);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--case") {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return runCase(args);
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = temp.path();
    QProcess service;
    const QString port = benchlog::startService(service, folder);

    for (const Case& c : kCases) {
        const QString log = folder + QStringLiteral("/access.log");
        const qint64 lines = benchlog::writeLog(log, c.lines, c.bytes);
        std::printf("%s (%lld lines, %.0f MB)\n", c.name, lines, double(QFile(log).size()) / 1e6);
        std::fflush(stdout);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--case"), folder, port, log, QString::number(c.numbytes),
                     QString::number(lines),
                     c.views ? QStringLiteral("views") : QStringLiteral("raw")});
        child.waitForFinished(-1);
    }
    service.terminate();
    service.waitForFinished(5000);
    return 0;
}
