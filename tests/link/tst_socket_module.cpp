// What the socket objects share: the error texts and numbers, the routing tables, the message
// window's life, and how notifications reaching an object are dealt with.
#include "helper_socket.h"

#include "link/SocketApi.h"
#include "link/SocketErrors.h"
#include "link/modSocketMaster.h"

#include <QHostAddress>
#include <QSysInfo>
#include <QTest>
#include <cerrno>

using namespace sockettest;
using S = CSocketMaster;
using modSocketMaster::RoutingTable;

namespace {

// Runs the event loop until everything posted so far has been delivered.
bool deliverPosted() {
    bool done = false;
    QMetaObject::invokeMethod(
        qApp, [&] { done = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&] { return done; }, kWait);
}

// "5:a 7:b" for the table's entries; a free entry is "-1:-".
QString render(const RoutingTable& table, const std::vector<CSocketMaster*>& owners) {
    QStringList out;
    for (const auto& e : table.Entries()) {
        const auto it = std::find(owners.begin(), owners.end(), e.Owner);
        const QString who =
            it == owners.end() ? "-" : QString(QChar('a' + int(it - owners.begin())));
        out << QStringLiteral("%1:%2").arg(e.Handle).arg(who);
    }
    return out.join(' ');
}

} // namespace

class TstSocketModule : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void errorTexts_data();
    void errorTexts();
    void errnoNumbers_data();
    void errnoNumbers();
    void routingTable_data();
    void routingTable();
    void messageWindowLife();
    void notifications_data();
    void notifications();
    void localNames();
};

void TstSocketModule::cleanup() {
    QCOMPARE(modSocketMaster::InstanceCount(), 0);
    QVERIFY(!modSocketMaster::RegistryExists());
}

void TstSocketModule::errorTexts_data() {
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("text");
    const std::pair<qint32, const char*> table[] = {
        {10004, "Interrupted function call."},
        {10013, "Permission denied."},
        {10014, "Bad address."},
        {10022, "Invalid argument."},
        {10024, "Too many open files."},
        {10035, "Resource temporarily unavailable."},
        {10036, "Operation now in progress."},
        {10037, "Operation already in progress."},
        {10038, "Socket operation on nonsocket."},
        {10039, "Destination address required."},
        {10040, "Message too long."},
        {10041, "Protocol wrong type for socket."},
        {10042, "Bad protocol option."},
        {10043, "Protocol not supported."},
        {10044, "Socket type not supported."},
        {10045, "Operation not supported."},
        {10046, "Protocol family not supported."},
        {10047, "Address family not supported by protocol family."},
        {10048, "Address already in use."},
        {10049, "Cannot assign requested address."},
        {10050, "Network is down."},
        {10051, "Network is unreachable."},
        {10052, "Network dropped connection on reset."},
        {10053, "Software caused connection abort."},
        {10054, "Connection reset by peer."},
        {10055, "No buffer space available."},
        {10056, "Socket is already connected."},
        {10057, "Socket is not connected."},
        {10058, "Cannot send after socket shutdown."},
        {10060, "Connection timed out."},
        {10061, "Connection refused."},
        {10065, "No route to host."},
        {10067, "Too many processes."},
        {10091, "Network subsystem is unavailable."},
        {10092, "Winsock.dll version out of range."},
        {10093, "Successful WSAStartup not yet performed."},
        {11001, "Host not found."},
        {11002, "Nonauthoritative host not found."},
        {11003, "This is a nonrecoverable error."},
        {11004, "Valid name, no data record of requested type."},
    };
    for (const auto& [n, t] : table)
        QTest::addRow("%d", n) << n << QString(t);
    for (const qint32 n : {10059, 10000, 0, -1, 7, 40020, 11005, 10066})
        QTest::addRow("%d unknown", n) << n << QStringLiteral("Unknown error.");
}

void TstSocketModule::errorTexts() {
    QFETCH(qint32, number);
    QFETCH(QString, text);
    QCOMPARE(ov::sck::GetErrorDescription(number), text);
}

void TstSocketModule::errnoNumbers_data() {
    QTest::addColumn<int>("errnum");
    QTest::addColumn<QString>("text");
    QTest::newRow("refused") << ECONNREFUSED << "Connection refused.";
    QTest::newRow("reset") << ECONNRESET << "Connection reset by peer.";
    QTest::newRow("address in use") << EADDRINUSE << "Address already in use.";
    QTest::newRow("would block") << EWOULDBLOCK << "Resource temporarily unavailable.";
    QTest::newRow("timed out") << ETIMEDOUT << "Connection timed out.";
    QTest::newRow("no route") << EHOSTUNREACH << "No route to host.";
    QTest::newRow("broken pipe") << EPIPE << "Cannot send after socket shutdown.";
    QTest::newRow("not a socket") << EBADF << "Socket operation on nonsocket.";
    QTest::newRow("no counterpart") << ENOENT << "Unknown error.";
    // Linux's EDEADLK is 35: offset blindly it would read as "would block".
    QTest::newRow("number of another meaning") << EDEADLK << "Unknown error.";
}

void TstSocketModule::errnoNumbers() {
    QFETCH(int, errnum);
    QFETCH(QString, text);
    QCOMPARE(ov::sck::GetErrorDescription(ov::sck::ErrnoToSocketError(errnum)), text);
}

void TstSocketModule::routingTable_data() {
    // "operations | entries after them | lookups": "+5a" adds handle 5 for owner a, "-5"
    // removes it, "=5b" hands it to b, "!a" is owner a going away; a free entry shows as
    // "-1:-"; a lookup "5:a" finds a as the owner of 5, "5:-" finds nobody.
    QTest::addColumn<QString>("script");
    QTest::newRow("appends in order") << "+5a +7b +9a | 5:a 7:b 9:a | 7:b 9:a 8:-";
    QTest::newRow("same handle again does nothing") << "+5a +5b | 5:a | 5:a";
    QTest::newRow("removal marks free") << "+5a +7b -5 | -1:- 7:b | 5:- 7:b";
    QTest::newRow("first free entry reused") << "+5a +7b +9a -5 -9 +11b | 11:b 7:b -1:- | 9:-";
    QTest::newRow("free entry met before the same handle") << "+5a +7b -5 +7a | 7:a 7:b | 7:a";
    QTest::newRow("never shrinks") << "+1a +2a +3a -1 -2 -3 | -1:- -1:- -1:- | 1:- 3:-";
    QTest::newRow("removing an unknown handle") << "+1a -4 | 1:a | 1:a 4:-";
    QTest::newRow("handed to another owner") << "+3a =3b | 3:b | 3:b";
    QTest::newRow("owner going away") << "+3a +4b +5a !a | -1:- 4:b -1:- | 3:- 4:b";
    QTest::newRow("no handle is never found") << "+1a | 1:a | -1:-";
}

void TstSocketModule::routingTable() {
    QFETCH(QString, script);
    const QStringList parts = script.split(" | ");
    const QString ops = parts[0], entries = parts[1], find = parts[2];
    // Owners are only compared, never called: addresses of two objects serve.
    QObject a, b;
    const std::vector<CSocketMaster*> owners{reinterpret_cast<CSocketMaster*>(&a),
                                             reinterpret_cast<CSocketMaster*>(&b)};
    auto owner = [&](QChar c) { return owners[c.unicode() - 'a']; };
    RoutingTable table;
    for (const QString& op : ops.split(' ')) {
        const QChar kind = op[0];
        if (kind == '!') {
            table.RemoveOwner(owner(op[1]));
            continue;
        }
        const bool withOwner = kind != '-';
        const int handle = op.mid(1, op.size() - (withOwner ? 2 : 1)).toInt();
        if (kind == '+') table.Add(handle, owner(op.back()));
        if (kind == '-') table.Remove(handle);
        if (kind == '=') table.SetOwner(handle, owner(op.back()));
    }
    QCOMPARE(render(table, owners), entries);
    for (const QString& f : find.split(' ')) {
        const int handle = f.section(':', 0, 0).toInt();
        const QString who = f.section(':', 1);
        QCOMPARE(table.Find(handle), who == "-" ? nullptr : owner(who[0]));
    }
}

void TstSocketModule::messageWindowLife() {
    QVERIFY(!modSocketMaster::ServiceStarted());
    {
        CSocketMaster first;
        QVERIFY(modSocketMaster::ServiceStarted());
        QCOMPARE(modSocketMaster::InstanceCount(), 1);
        QCOMPARE(modSocketMaster::MessageWindowHandle(), quintptr(0)); // no socket yet
        first.setProtocol(S::sckUDPProtocol);
        first.Bind(0);
        const quintptr window = modSocketMaster::MessageWindowHandle();
        QVERIFY(window != 0);
        QCOMPARE(modSocketMaster::MessageWindow()->objectName(), QStringLiteral("SOCKET_WINDOW"));
        QVERIFY(modSocketMaster::IsSocketRegistered(first.SocketHandle()));
        {
            CSocketMaster second;
            QCOMPARE(modSocketMaster::InstanceCount(), 2);
            second.setProtocol(S::sckUDPProtocol);
            second.Bind(0);
            QCOMPARE(modSocketMaster::MessageWindowHandle(), window); // one window for all
            first.CloseSck();
            QCOMPARE(modSocketMaster::MessageWindowHandle(), window); // still a socket left
        }
        QCOMPARE(modSocketMaster::MessageWindowHandle(), quintptr(0));
        QVERIFY(!modSocketMaster::RegistryExists());
        QVERIFY(modSocketMaster::SocketRoutes().Entries().empty());
        first.Bind(0);
        QVERIFY(modSocketMaster::MessageWindowHandle() != 0);
        QVERIFY(modSocketMaster::MessageWindowHandle() != window); // a new window
        // Messages nobody routes are dropped without harm.
        modSocketMaster::PostWindowMessage(0x8002, first.SocketHandle(), 0);
        modSocketMaster::PostWindowMessage(modSocketMaster::kSocketMessage, 1 << 20, 1);
        modSocketMaster::PostWindowMessage(modSocketMaster::kResolveMessage, 1 << 20, 0);
        QVERIFY(deliverPosted());
        QCOMPARE(first.State(), qint32(S::sckOpen));
    }
    QVERIFY(!modSocketMaster::ServiceStarted());
    QCOMPARE(modSocketMaster::MessageWindowHandle(), quintptr(0));
}

void TstSocketModule::notifications_data() {
    // A notification handed to a connected object: its event code, its error; what follows.
    QTest::addColumn<qint32>("event");
    QTest::addColumn<qint32>("error");
    QTest::addColumn<qint32>("state");
    QTest::addColumn<QStringList>("events");
    const qint32 connected = S::sckConnected;
    QTest::newRow("close") << ov::sck::FD_CLOSE << 0 << qint32(S::sckClosing)
                           << QStringList{"CloseSck"};
    QTest::newRow("any event with an error")
        << ov::sck::FD_READ << 10053 << qint32(S::sckError)
        << QStringList{"Error 10053 Software caused connection abort. CSocketMaster.PostSocket"};
    QTest::newRow("unknown code with an error")
        << 0 << 10060 << qint32(S::sckError)
        << QStringList{"Error 10060 Connection timed out. CSocketMaster.PostSocket"};
    QTest::newRow("read with nothing to read")
        << ov::sck::FD_READ << 0 << connected << QStringList{};
    QTest::newRow("write with nothing to send")
        << ov::sck::FD_WRITE << 0 << connected << QStringList{};
    QTest::newRow("connect when connected")
        << ov::sck::FD_CONNECT << 0 << connected << QStringList{};
    QTest::newRow("accept when not listening")
        << ov::sck::FD_ACCEPT << 0 << connected << QStringList{};
    QTest::newRow("out-of-band") << ov::sck::FD_OOB << 0 << connected << QStringList{};
    QTest::newRow("code beyond 32") << 64 << 0 << connected << QStringList{};
    QTest::newRow("code 0") << 0 << 0 << connected << QStringList{};
}

void TstSocketModule::notifications() {
    QFETCH(qint32, event);
    QFETCH(qint32, error);
    QFETCH(qint32, state);
    QFETCH(QStringList, events);
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    EventLog log(&sock);
    modSocketMaster::PostWindowMessage(modSocketMaster::kSocketMessage, sock.SocketHandle(),
                                       ov::sck::MakeLParam(event, error));
    QVERIFY(deliverPosted());
    QCOMPARE(sock.State(), state);
    QCOMPARE(log.Events, events);
    if (state == S::sckConnected) {
        // Still a working connection.
        peer.write("ok");
        QTRY_COMPARE_WITH_TIMEOUT(log.Events, QStringList{"DataArrival 2"}, kWait);
    }
}

void TstSocketModule::localNames() {
    CSocketMaster sock;
    QCOMPARE(sock.LocalHostName(), QSysInfo::machineHostName());
    const QString ip = sock.LocalIP();
    QCOMPARE(QHostAddress(ip).protocol(), QAbstractSocket::IPv4Protocol);
    Peer peer;
    QVERIFY(connectTo(sock, peer));
    QCOMPARE(sock.LocalIP(), QStringLiteral("127.0.0.1")); // the connection's own address
}

QTEST_MAIN(TstSocketModule)
#include "tst_socket_module.moc"
