// Who ovservice serves: consoles from the --allow-client addresses only, and no more than
// --max-clients at once. Real sockets from several loopback addresses (127.0.0.0/8 and ::1) to
// the real program; a refused console is closed before any byte reaches it, and the others go on.
#include "helper_service.h"
#include "service/ClientFilter.h"

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace servicetest;
using ov::service::ClientFilter;
using ov::service::ParseClientRange;

namespace {

// The service's default greeting, with the tag that promises framing.
const QByteArray kGreeting = "helo Servicio de logs Orvalen [ov+1]";

// A console connected from the loopback address `source` to the service at `host`.
std::unique_ptr<QTcpSocket> ConnectFrom(const QString& source, const QString& host, quint16 port) {
    auto socket = std::make_unique<QTcpSocket>();
    if (!socket->bind(QHostAddress(source))) return socket;
    socket->connectToHost(host, port);
    socket->waitForConnected(kWaitMs);
    return socket;
}

// Says hello and returns what the service answers, until the whole greeting is there or the
// connection has ended.
QByteArray Hello(QTcpSocket& socket) {
    QByteArray got;
    if (socket.state() != QAbstractSocket::ConnectedState) return got;
    socket.write("hello");
    const QDeadlineTimer deadline(kWaitMs);
    while (got.size() < kGreeting.size() && !deadline.hasExpired()) {
        got += socket.readAll();
        if (got.size() < kGreeting.size() && !socket.waitForReadyRead(100) &&
            socket.state() != QAbstractSocket::ConnectedState)
            break;
    }
    return got + socket.readAll();
}

// Waits for the service to end the connection; everything that arrived before it did.
QByteArray UntilClosed(QTcpSocket& socket) {
    QByteArray got;
    const QDeadlineTimer deadline(kWaitMs);
    while (socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        got += socket.readAll();
        socket.waitForReadyRead(100);
    }
    return got + socket.readAll();
}

} // namespace

class tst_ServiceClients : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void parseRange_data();
    void parseRange();
    void filter_data();
    void filter();
    void allowClient_data();
    void allowClient();
    void maxClients_data();
    void maxClients();
    void badCommandLine_data();
    void badCommandLine();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void tst_ServiceClients::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_log = m_dir.filePath(QStringLiteral("access.log"));
    QFile f(m_log);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1.2.3.4 - - line one\n5.6.7.8 - - line two\n");
}

void tst_ServiceClients::parseRange_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("network"); // empty: refused
    QTest::addColumn<int>("prefix");
    QTest::newRow("IPv4 address") << "192.0.2.7"
                                  << "192.0.2.7" << 32;
    QTest::newRow("IPv4 network") << "198.51.100.0/24"
                                  << "198.51.100.0" << 24;
    QTest::newRow("IPv4 everything") << "0.0.0.0/0"
                                     << "0.0.0.0" << 0;
    QTest::newRow("IPv6 address") << "2001:db8::1"
                                  << "2001:db8::1" << 128;
    QTest::newRow("IPv6 network") << "2001:db8::/32"
                                  << "2001:db8::" << 32;
    QTest::newRow("IPv4 prefix too long") << "10.0.0.0/33"
                                          << "" << 0;
    QTest::newRow("IPv6 prefix too long") << "::1/129"
                                          << "" << 0;
    QTest::newRow("negative prefix") << "10.0.0.0/-1"
                                     << "" << 0;
    QTest::newRow("signed prefix") << "10.0.0.0/+8"
                                   << "" << 0;
    QTest::newRow("empty prefix") << "10.0.0.0/"
                                  << "" << 0;
    QTest::newRow("netmask for prefix") << "10.0.0.0/255.0.0.0"
                                        << "" << 0;
    QTest::newRow("three numbers") << "10.1.2"
                                   << "" << 0;
    QTest::newRow("octet too big") << "10.1.2.256"
                                   << "" << 0;
    QTest::newRow("host name") << "localhost"
                               << "" << 0;
    QTest::newRow("empty") << ""
                           << "" << 0;
    QTest::newRow("scoped IPv6") << "fe80::1%lo"
                                 << "" << 0;
}

void tst_ServiceClients::parseRange() {
    QFETCH(QString, text);
    QFETCH(QString, network);
    QFETCH(int, prefix);
    const auto range = ParseClientRange(text);
    QCOMPARE(range.has_value(), !network.isEmpty());
    if (!range) return;
    QCOMPARE(range->network, QHostAddress(network));
    QCOMPARE(range->prefix, prefix);
}

void tst_ServiceClients::filter_data() {
    QTest::addColumn<QStringList>("ranges");
    QTest::addColumn<QString>("peer");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("no range: anyone") << QStringList{} << "203.0.113.9" << true;
    QTest::newRow("last of a /30") << QStringList{"127.0.0.0/30"} << "127.0.0.3" << true;
    QTest::newRow("just past a /30") << QStringList{"127.0.0.0/30"} << "127.0.0.4" << false;
    QTest::newRow("second range") << QStringList{"10.0.0.0/8", "192.0.2.0/24"} << "192.0.2.200"
                                  << true;
    QTest::newRow("IPv4-mapped peer") << QStringList{"127.0.0.0/8"} << "::ffff:127.0.0.2" << true;
    QTest::newRow("IPv4-mapped outsider")
        << QStringList{"127.0.0.0/8"} << "::ffff:10.0.0.1" << false;
    QTest::newRow("IPv6 network") << QStringList{"2001:db8::/32"} << "2001:db8:ffff::1" << true;
    QTest::newRow("IPv6 outsider") << QStringList{"2001:db8::/32"} << "2001:db9::1" << false;
    QTest::newRow("IPv4 peer, IPv6 ranges") << QStringList{"::1"} << "127.0.0.1" << false;
}

void tst_ServiceClients::filter() {
    QFETCH(QStringList, ranges);
    QFETCH(QString, peer);
    QFETCH(bool, allowed);
    QList<ov::service::ClientRange> parsed;
    for (const QString& text : ranges) {
        const auto range = ParseClientRange(text);
        QVERIFY(range);
        parsed << *range;
    }
    QCOMPARE(ClientFilter(parsed).Allows(QHostAddress(peer)), allowed);
}

void tst_ServiceClients::allowClient_data() {
    QTest::addColumn<QStringList>("allowClients");
    QTest::addColumn<QString>("bind");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("served");
    QTest::newRow("no --allow-client") << QStringList{} << "127.0.0.1"
                                       << "127.0.0.2" << true;
    QTest::newRow("the address") << QStringList{"127.0.0.2"} << "127.0.0.1"
                                 << "127.0.0.2" << true;
    QTest::newRow("another address") << QStringList{"127.0.0.2"} << "127.0.0.1"
                                     << "127.0.0.3" << false;
    QTest::newRow("inside the network") << QStringList{"127.0.1.0/24"} << "127.0.0.1"
                                        << "127.0.1.9" << true;
    QTest::newRow("outside the network") << QStringList{"127.0.1.0/24"} << "127.0.0.1"
                                         << "127.0.2.9" << false;
    QTest::newRow("one of several") << QStringList{"127.0.0.5", "127.0.0.9"} << "127.0.0.1"
                                    << "127.0.0.9" << true;
    QTest::newRow("IPv6 allowed") << QStringList{"::1/128"} << "::1"
                                  << "::1" << true;
    QTest::newRow("IPv6 not allowed") << QStringList{"2001:db8::/32"} << "::1"
                                      << "::1" << false;
}

void tst_ServiceClients::allowClient() {
    QFETCH(QStringList, allowClients);
    QFETCH(QString, bind);
    QFETCH(QString, source);
    QFETCH(bool, served);
    QStringList args{QStringLiteral("--bind"), bind, QStringLiteral("--allow"), m_log};
    for (const QString& range : allowClients)
        args << QStringLiteral("--allow-client") << range;
    ServiceProcess service(args);
    if (!service.Started() && bind.contains(u':')) QSKIP("no IPv6 loopback here");
    QVERIFY(service.Started());

    const auto console = ConnectFrom(source, bind, service.Port());
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState); // accepted by the system
    QCOMPARE(console->localAddress(), QHostAddress(source));
    if (served) {
        QCOMPARE(Hello(*console), kGreeting);
    } else {
        QCOMPARE(UntilClosed(*console), QByteArray());
        QCOMPARE(console->state(), QAbstractSocket::UnconnectedState);
        QTRY_VERIFY_WITH_TIMEOUT(
            service.Log().contains(QStringLiteral("refused ") + source + QStringLiteral(":")),
            kWaitMs);
        QVERIFY(service.Log().contains(QStringLiteral("not an allowed client")));
    }
    QVERIFY(service.Running());
}

void tst_ServiceClients::maxClients_data() {
    QTest::addColumn<int>("limit");
    QTest::newRow("one") << 1;
    QTest::newRow("three") << 3;
}

void tst_ServiceClients::maxClients() {
    QFETCH(int, limit);
    ServiceProcess service({QStringLiteral("--allow"), m_log, QStringLiteral("--max-clients"),
                            QString::number(limit)});
    QVERIFY(service.Started());
    const quint16 port = service.Port();

    std::vector<std::unique_ptr<RawClient>> served;
    for (int i = 0; i < limit; ++i) {
        served.push_back(std::make_unique<RawClient>(port));
        served.back()->Send("hello");
        QCOMPARE(served.back()->Take(kGreeting.size()), kGreeting);
    }

    // One too many: closed at once, with nothing sent that a console could take for an answer.
    const auto extra = ConnectFrom(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"), port);
    QCOMPARE(UntilClosed(*extra), QByteArray());
    QCOMPARE(extra->state(), QAbstractSocket::UnconnectedState);
    QTRY_VERIFY_WITH_TIMEOUT(
        service.Log().contains(QStringLiteral("already serving %1 consoles").arg(limit)), kWaitMs);

    // The consoles already served go on: a whole transfer.
    RawClient& first = *served.front();
    first.Send("\\cfg numb=7;logp=" + QFile::encodeName(m_log) + ";");
    QCOMPARE(first.TakeToken(), QByteArray("cfgk"));
    first.Send("\\ovg");
    int chunks = 0;
    QCOMPARE(first.TakeTransfer(&chunks),
             QByteArray("1.2.3.4 - - line one<|br\\>5.6.7.8 - - line two<|br\\>"));

    // A console that leaves makes room for the next.
    served.back()->Abort();
    QTRY_VERIFY_WITH_TIMEOUT(service.Log().contains(QStringLiteral("[%1] disconnected").arg(limit)),
                             kWaitMs);
    RawClient next(port);
    next.Send("hello");
    QCOMPARE(next.Take(kGreeting.size()), kGreeting);
    QVERIFY(service.Running());
}

void tst_ServiceClients::badCommandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("client not an address")
        << QStringList{"--allow-client", "webserver"} << "--allow-client";
    QTest::newRow("client prefix too long")
        << QStringList{"--allow-client", "10.0.0.0/40"} << "--allow-client";
    QTest::newRow("one good, one bad client")
        << QStringList{"--allow-client", "::1", "--allow-client", "::1/"} << "--allow-client";
    QTest::newRow("no clients at all") << QStringList{"--max-clients", "0"} << "--max-clients";
    QTest::newRow("clients not a number")
        << QStringList{"--max-clients", "many"} << "--max-clients";
    QTest::newRow("clients beyond int")
        << QStringList{"--max-clients", "4294967297"} << "--max-clients";
}

void tst_ServiceClients::badCommandLine() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QProcess process;
    process.start(ProgramPath(QStringLiteral("ovservice")), QStringList{"--port", "0"} + args);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(err.contains(message) && err.contains(args.last()), qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_ServiceClients)
#include "tst_service_clients.moc"
