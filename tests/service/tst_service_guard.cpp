// What ovservice refuses, and what it survives: paths outside --allow, bad buffer capacities,
// garbage, half messages and clients that vanish. After each row a second client must still be
// served in full.
#include "helper_service.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace servicetest;

namespace {
// The service's default greeting, with the tag that promises framing.
const QByteArray kGreeting = "helo Servicio de logs Orvalen [ov+1]";
} // namespace

class tst_ServiceGuard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void configuration_data();
    void configuration();
    void singleFileAllowed();
    void logBeforeConfiguration();
    void survivesBadClients_data();
    void survivesBadClients();
    void messagesCutAndGlued();
    void changesWaitForTheTransfer();
    void slowReaderIsNotBuffered();
    void badCommandLine_data();
    void badCommandLine();

private:
    // A fresh client gets a whole transfer of the served log.
    void VerifyServed(quint16 port);

    QTemporaryDir m_dir;
    QString m_served;  // the folder given to --allow
    QString m_log;     // a log inside it
    QString m_outside; // a readable file outside it
    std::unique_ptr<ServiceProcess> m_service;
};

void tst_ServiceGuard::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_served = m_dir.filePath(QStringLiteral("served"));
    QVERIFY(QDir().mkpath(m_served + QStringLiteral("/sub")));
    m_log = m_served + QStringLiteral("/access.log");
    m_outside = m_dir.filePath(QStringLiteral("secret.log"));
    for (const QString& p : {m_log, m_outside, m_served + QStringLiteral("/sub/b.log")}) {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("1.2.3.4 - - line one\n5.6.7.8 - - line two\n");
    }
    QVERIFY(QFile::link(m_outside, m_served + QStringLiteral("/escape.log")));
    QVERIFY(QFile::link(m_log, m_served + QStringLiteral("/inside.log")));
    QVERIFY(QFile::link(m_dir.path(), m_served + QStringLiteral("/up")));
    m_service = std::make_unique<ServiceProcess>(QStringList{"--allow", m_served});
    QVERIFY(m_service->Started());
}

void tst_ServiceGuard::VerifyServed(quint16 port) {
    RawClient client(port);
    QVERIFY(client.Connected());
    client.Send("hello");
    QCOMPARE(client.Take(kGreeting.size()), kGreeting);
    client.Send("\\cfg numb=7;logp=" + QFile::encodeName(m_log) + ";");
    QCOMPARE(client.TakeToken(), QByteArray("cfgk"));
    client.Send("\\ovg");
    int chunks = 0;
    QCOMPARE(client.TakeTransfer(&chunks),
             QByteArray("1.2.3.4 - - line one<|br\\>5.6.7.8 - - line two<|br\\>"));
    QVERIFY(chunks > 1);
}

void tst_ServiceGuard::configuration_data() {
    QTest::addColumn<QByteArray>("numb");
    QTest::addColumn<QString>("path"); // relative to the temporary folder
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("served file") << QByteArray("2000") << "served/access.log" << QByteArray("cfgk");
    QTest::newRow("file in a subfolder")
        << QByteArray("1") << "served/sub/b.log" << QByteArray("cfgk");
    QTest::newRow("link that stays inside")
        << QByteArray("2100000000") << "served/inside.log" << QByteArray("cfgk");
    QTest::newRow("dot-dot that stays inside")
        << QByteArray("5") << "served/sub/../access.log" << QByteArray("cfgk");
    QTest::newRow("outside") << QByteArray("2000") << "secret.log" << QByteArray("cfg!");
    QTest::newRow("dot-dot out") << QByteArray("2000") << "served/../secret.log"
                                 << QByteArray("cfg!");
    QTest::newRow("link out") << QByteArray("2000") << "served/escape.log" << QByteArray("cfg!");
    QTest::newRow("folder link out")
        << QByteArray("2000") << "served/up/secret.log" << QByteArray("cfg!");
    QTest::newRow("missing file") << QByteArray("2000") << "served/none.log" << QByteArray("cfg!");
    QTest::newRow("a folder") << QByteArray("2000") << "served/sub" << QByteArray("cfg!");
    QTest::newRow("capacity 0") << QByteArray("0") << "served/access.log" << QByteArray("cfg!");
    QTest::newRow("capacity above the range")
        << QByteArray("2100000001") << "served/access.log" << QByteArray("cfg!");
    QTest::newRow("capacity not a number")
        << QByteArray("abc") << "served/access.log" << QByteArray("cfg!");
}

void tst_ServiceGuard::configuration() {
    QFETCH(QByteArray, numb);
    QFETCH(QString, path);
    QFETCH(QByteArray, answer);
    const QString full = path.isEmpty() || path.startsWith(u'/') ? path : m_dir.filePath(path);
    RawClient client(m_service->Port());
    client.Send("\\cfg numb=" + numb + ";logp=" + QFile::encodeName(full) + ";");
    QCOMPARE(client.TakeToken(), answer);
    // Only an accepted configuration lets the log be sent.
    client.Send("\\ovg");
    if (answer == "cfgk") {
        int chunks = 0;
        QVERIFY(!client.TakeTransfer(&chunks).isEmpty());
        QVERIFY(chunks > 0);
    } else {
        QCOMPARE(client.TakeToken(), QByteArray("cfg!"));
    }
}

void tst_ServiceGuard::singleFileAllowed() {
    ServiceProcess service({"--allow", m_log});
    QVERIFY(service.Started());
    RawClient client(service.Port());
    client.Send("\\cfg numb=9;logp=" + QFile::encodeName(m_log) + ";");
    QCOMPARE(client.TakeToken(), QByteArray("cfgk"));
    client.Send("\\cfg numb=9;logp=" + QFile::encodeName(m_served + "/sub/b.log") + ";");
    QCOMPARE(client.TakeToken(), QByteArray("cfg!"));
}

void tst_ServiceGuard::logBeforeConfiguration() {
    RawClient client(m_service->Port());
    client.Send("\\ovg");
    QCOMPARE(client.TakeToken(), QByteArray("cfg!"));
    // A refused configuration also withdraws the one accepted before it.
    client.Send("\\cfg numb=9;logp=" + QFile::encodeName(m_log) + ";");
    QCOMPARE(client.TakeToken(), QByteArray("cfgk"));
    client.Send("\\cfg numb=9;logp=/etc/passwd;");
    QCOMPARE(client.TakeToken(), QByteArray("cfg!"));
    client.Send("\\ovg");
    QCOMPARE(client.TakeToken(), QByteArray("cfg!"));
    client.Send("\\ovx\\ovt 0:cbf29ce484222325;");
    QCOMPARE(client.TakeToken(), QByteArray("cfg!"));
}

void tst_ServiceGuard::survivesBadClients_data() {
    QTest::addColumn<QString>("misdeed");
    QTest::newRow("random bytes") << "garbage";
    QTest::newRow("half a message, then gone") << "half";
    QTest::newRow("gone in mid-transfer") << "abort";
    QTest::newRow("unknown messages") << "unknown";
    QTest::newRow("endless configuration") << "endless";
    QTest::newRow("bad tail requests") << "tails";
    QTest::newRow("configuration refused while a request waits") << "withdrawn";
}

void tst_ServiceGuard::survivesBadClients() {
    QFETCH(QString, misdeed);
    {
        RawClient bad(m_service->Port());
        QVERIFY(bad.Connected());
        if (misdeed == u"garbage") {
            QRandomGenerator random(42);
            QByteArray noise(200000, Qt::Uninitialized);
            for (char& c : noise)
                c = char(random.bounded(256));
            bad.Send(noise);
            bad.Send("hello");
            QVERIFY(bad.Take(4) == "helo");
        } else if (misdeed == u"half") {
            bad.Send("\\cfg numb=20;logp=" + QFile::encodeName(m_log));
            bad.Send("hel");
        } else if (misdeed == u"abort") {
            bad.Send("\\cfg numb=1;logp=" + QFile::encodeName(m_log) + ";");
            QCOMPARE(bad.TakeToken(), QByteArray("cfgk"));
            bad.Send("\\ovg\\ov!\\ov!");
            QCOMPARE(bad.TakeToken(), QByteArray("logd"));
        } else if (misdeed == u"unknown") {
            bad.Send("HELLO\\OVG Exit\\cfg\\ovz\\ovt");
            bad.Send("hello");
            QVERIFY(bad.Take(4) == "helo");
        } else if (misdeed == u"tails") {
            bad.Send("\\ovx\\cfg numb=5;logp=" + QFile::encodeName(m_log) + ";");
            QCOMPARE(bad.TakeToken(), QByteArray("cfgk"));
            // Noise, then a position that cannot be read: the whole log.
            bad.Send("\\ovt " + QByteArray(100000, '9') +
                     ";\\ovt \\ovt 99999999999999999999:0000000000000000;");
            const Received r = bad.TakeReceived();
            QCOMPARE(r.end, QByteArray("log."));
            QCOMPARE(r.total, 52);
            QCOMPARE(r.position, ExpectedPosition(m_log, 42));
        } else if (misdeed == u"withdrawn") {
            bad.Send("\\ovx\\cfg numb=1;logp=" + QFile::encodeName(m_log) + ";\\ovg");
            QCOMPARE(bad.TakeToken(), QByteArray("cfgk"));
            QCOMPARE(bad.Take(6), QByteArray("logdA1"));
            bad.Send("\\ovt 0:0000000000000000;\\cfg numb=1;logp=/etc/passwd;");
            QCOMPARE(bad.TakeToken(), QByteArray("cfg!"));
            bad.Send("\\ov!");
            QCOMPARE(bad.TakeReceived().end, QByteArray("log."));
            QCOMPARE(bad.TakeToken(), QByteArray("cfg!")); // the waiting request, refused
        } else if (misdeed == u"endless") {
            bad.Send("\\cfg numb=5;logp=/");
            bad.Send(QByteArray(100000, 'a'));
            QCOMPARE(bad.TakeToken(), QByteArray("cfg!"));
        }
        bad.Abort();
    }
    QVERIFY(m_service->Running());
    VerifyServed(m_service->Port());
}

// The console's messages glued into one write or cut into single bytes.
void tst_ServiceGuard::messagesCutAndGlued() {
    RawClient client(m_service->Port());
    const QByteArray config = "\\cfg numb=3;logp=" + QFile::encodeName(m_log) + ";";
    for (const char c : QByteArray("hello") + config)
        client.Send(QByteArray(1, c));
    QCOMPARE(client.Take(kGreeting.size()), kGreeting);
    QCOMPARE(client.TakeToken(), QByteArray("cfgk"));
    client.Send(config + "\\ovg");
    QCOMPARE(client.TakeToken(), QByteArray("cfgk"));
    int chunks = 0;
    // 42 bytes with two line ends become 52 of text, in 2-byte chunks (the largest power of
    // two within 3).
    QCOMPARE(client.TakeTransfer(&chunks).size(), 52);
    QCOMPARE(chunks, 26);
    client.Send("exit");
    QCOMPARE(client.TakeToken(), QByteArray("disc"));
    QVERIFY(client.WaitClosed());
}

// A change of the log, or a request for it, during a transfer is answered only after "log.".
void tst_ServiceGuard::changesWaitForTheTransfer() {
    const QString path = m_served + QStringLiteral("/changing.log");
    const auto append = [&path](const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::Append) && f.write(bytes) == bytes.size();
    };
    QVERIFY(append("ab\n"));
    RawClient client(m_service->Port());
    client.Send("\\cfg numb=1;logp=" + QFile::encodeName(path) + ";\\ovg");
    QCOMPARE(client.TakeToken(), QByteArray("cfgk"));
    QCOMPARE(client.Take(6), QByteArray("logdAa")); // and no acknowledgement yet
    QVERIFY(append("c\n"));
    QTRY_VERIFY_WITH_TIMEOUT(m_service->Log().contains(QStringLiteral("log changed")), kWaitMs);
    client.Send("\\ov!");
    int chunks = 0;
    // The rest of the copy taken when the transfer began, then the news.
    QCOMPARE(client.TakeTransfer(&chunks), QByteArray("b<|br\\>"));
    QCOMPARE(client.TakeToken(), QByteArray("lupd"));

    // Asked for again in mid-transfer: a fresh copy follows at once, with no "lupd" needed.
    client.Send("\\ovg");
    QCOMPARE(client.Take(6), QByteArray("logdAa"));
    client.Send("\\ovg\\ov!");
    QCOMPARE(client.TakeTransfer(&chunks), QByteArray("b<|br\\>c<|br\\>"));
    QCOMPARE(client.TakeTransfer(&chunks), QByteArray("ab<|br\\>c<|br\\>"));
    QCOMPARE(chunks, 15); // one character a chunk
    client.Send("exit");
    QCOMPARE(client.TakeToken(), QByteArray("disc"));
}

namespace {

// The most memory the process has held, from the kernel's accounting.
qint64 PeakMemory(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

} // namespace

// A console that acknowledges every chunk at once but does not read: the service sends only
// what its bounded backlog holds, and memory stays far below the size of the log.
void tst_ServiceGuard::slowReaderIsNotBuffered() {
    constexpr qint64 kLogBytes = qint64(128) << 20;
    const QString big = m_served + QStringLiteral("/big.log");
    {
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(kLogBytes)); // sparse: no disk, no line ends
    }
    // A sanitizer build would otherwise keep freed blocks aside and count them.
    ServiceProcess service({"--allow", m_served}, {"ASAN_OPTIONS=quarantine_size_mb=0"});
    QVERIFY(service.Started());
    RawClient greedy(service.Port());
    greedy.Socket()->setReadBufferSize(4096); // what it does not read stays in the system
    greedy.Send("\\cfg numb=4194304;logp=" + QFile::encodeName(big) + ";\\ovg" +
                QByteArray("\\ov!").repeated(100));
    // Meanwhile another console is served in full.
    RawClient other(service.Port());
    other.Send("\\cfg numb=7;logp=" + QFile::encodeName(m_log) + ";\\ovg");
    QCOMPARE(other.TakeToken(), QByteArray("cfgk"));
    int chunks = 0;
    QCOMPARE(other.TakeTransfer(&chunks).size(), 52);

    QCOMPARE(greedy.TakeToken(), QByteArray("cfgk"));
    greedy.Socket()->setReadBufferSize(0);
    qint64 total = 0;
    greedy.TakeTransfer(&chunks, &total);
    QCOMPARE(total, kLogBytes);
    QCOMPARE(chunks, 32);
    const qint64 peak = PeakMemory(service.ProcessId());
    QVERIFY(peak > 0);
    QVERIFY2(peak < kLogBytes / 2, qPrintable(QString::number(peak)));
}

void tst_ServiceGuard::badCommandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("port not a number") << QStringList{"--port", "abc"} << 2;
    QTest::newRow("bind not an address") << QStringList{"--bind", "nowhere"} << 2;
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 1;
    QTest::newRow("port already taken") << QStringList{"--port", "PORT"} << 1;
}

void tst_ServiceGuard::badCommandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    args.replaceInStrings(QStringLiteral("PORT"), QString::number(m_service->Port()));
    QProcess process;
    process.start(ProgramPath(QStringLiteral("ovservice")), args);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY(!process.readAllStandardError().isEmpty());
}

QTEST_GUILESS_MAIN(tst_ServiceGuard)
#include "tst_service_guard.moc"
