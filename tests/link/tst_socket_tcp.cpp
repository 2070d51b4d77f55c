// The socket object as a TCP client against a real peer on 127.0.0.1: connecting, failures,
// the peer ending the connection, receiving, sending, typed data and re-entrant handlers.
#include "helper_socket.h"

#include "core/raised_error.h"
#include "link/modSocketMaster.h"

#include <QTcpSocket>
#include <QTest>
#include <memory>
#include <sys/socket.h>

using namespace sockettest;
using ov::SocketVariant;
using S = CSocketMaster;
using States = QList<qint32>;
using Op = std::function<void(CSocketMaster&)>;
Q_DECLARE_METATYPE(Op)

class TstSocketTcp : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void connectStates_data();
    void connectStates();
    void failedConnect_data();
    void failedConnect();
    void refusedOperations_data();
    void refusedOperations();
    void peerEnds_data();
    void peerEnds();
    void arrivalsAccumulate();
    void largeSendGoesOutWhole();
    void closeSck_data();
    void closeSck();
    void typedData_data();
    void typedData();
    void tooFewBytes_data();
    void tooFewBytes();
    void maxLen_data();
    void maxLen();
    void destroyedInsideHandler_data();
    void destroyedInsideHandler();
    void handlersCallBack();
    void lookupInterrupted_data();
    void lookupInterrupted();
    void floodArrivesWholeAndInOrder();
};

void TstSocketTcp::cleanup() {
    // Every object of a test is gone: so must be the module's window and registries.
    QCOMPARE(modSocketMaster::InstanceCount(), 0);
    QVERIFY(!modSocketMaster::RegistryExists());
    QCOMPARE(modSocketMaster::MessageWindowHandle(), quintptr(0));
}

void TstSocketTcp::connectStates_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<States>("trail");
    const States direct{S::sckConnecting, S::sckConnected};
    QTest::newRow("dotted address") << "127.0.0.1" << direct;
    QTest::newRow("short dotted form") << "127.1" << direct;
    QTest::newRow("host name") << "localhost"
                               << States{S::sckResolvingHost, S::sckHostResolved, S::sckConnecting,
                                         S::sckConnected};
}

void TstSocketTcp::connectStates() {
    QFETCH(QString, host);
    QFETCH(States, trail);
    Peer peer;
    CSocketMaster sock;
    EventLog log(&sock);
    sock.Connect(host, qint32(peer.port()));
    QCOMPARE(sock.State(), trail.first());
    QVERIFY(peer.accept());
    QTRY_COMPARE_WITH_TIMEOUT(sock.State(), qint32(S::sckConnected), kWait);
    QCOMPARE(log.States, trail);
    QCOMPARE(log.Events, QStringList{"Connect"});
    QCOMPARE(sock.RemoteHost(), QString());
    QCOMPARE(sock.RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(sock.RemotePort(), qint32(peer.port()));
    QCOMPARE(sock.LocalPort(), qint32(peer.Conn->peerPort()));
    QCOMPARE(sock.LocalIP(), QStringLiteral("127.0.0.1"));
}

void TstSocketTcp::failedConnect_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("showBox");
    QTest::addColumn<QString>("error");
    QTest::addColumn<States>("trail");
    const QString refused = "Error 10061 Connection refused. CSocketMaster.PostSocket";
    const QString unknown = "Error 11001 Host not found. CSocketMaster.ConnectToIP";
    const States connecting{S::sckConnecting, S::sckError};
    const States resolving{S::sckResolvingHost, S::sckError};
    QTest::newRow("refused") << "127.0.0.1" << false << refused << connecting;
    QTest::newRow("refused, shown") << "127.0.0.1" << true << refused << connecting;
    QTest::newRow("unknown host") << "no such host" << false << unknown << resolving;
    QTest::newRow("no host") << "" << false << unknown << resolving;
}

void TstSocketTcp::failedConnect() {
    QFETCH(QString, host);
    QFETCH(bool, showBox);
    QFETCH(QString, error);
    QFETCH(States, trail);
    MessageBoxes boxes;
    CSocketMaster sock;
    EventLog log(&sock);
    log.CancelDisplay = !showBox;
    sock.Connect(host, qint32(closedPort()));
    QTRY_COMPARE_WITH_TIMEOUT(sock.State(), qint32(S::sckError), kWait);
    QCOMPARE(log.Events, QStringList{error});
    QCOMPARE(log.States, trail);
    const QString box = error.section(' ', -1) + '|' + error.section(' ', 2, -2);
    QCOMPARE(boxes.Shown, showBox ? QStringList{box} : QStringList{});
    // Only CloseSck leaves the error state.
    QVERIFY_THROWS_EXCEPTION(ov::RaisedError, sock.Connect());
    sock.CloseSck();
    QCOMPARE(sock.State(), qint32(S::sckClosed));
}

void TstSocketTcp::refusedOperations_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("error"); // number, source, description
    const QString badState = "40020 %1 Invalid operation at current state";
    const QString range = "40014 %1 The argument passed to a function was not in the correct "
                          "format or in the specified range.";
    const QString wrongState =
        "40006 %1 Wrong protocol or connection state for the requested transaction or request";
    const QString unsupported = "40018 %1 Unsupported variant type.";
    auto row = [](const char* name, bool connected, Op op, const QString& error, const char* src) {
        QTest::newRow(name) << connected << op << error.arg(QString("CSocketMaster.") + src);
    };
    row(
        "Connect while connected", true, [](S& s) { s.Connect("127.0.0.1", 1); }, badState,
        "Connect");
    row(
        "Connect to port 0", false, [](S& s) { s.Connect("127.0.0.1", 0); }, range, "Connect");
    row(
        "Connect to port 65536", false, [](S& s) { s.Connect("x", 65536); }, range, "Connect");
    row(
        "Connect to a port in words", false, [](S& s) { s.Connect("x", QString("abc")); },
        unsupported, "Connect");
    row(
        "SendData while closed", false, [](S& s) { s.SendData("x"); }, wrongState, "SendData");
    row(
        "SendData of nothing", true, [](S& s) { s.SendData(SocketVariant{}); }, unsupported,
        "SendData");
    row(
        "GetData while closed", false, [](S& s) { s.GetDataText(); }, wrongState, "GetData");
    row(
        "GetData with negative maxLen", true,
        [](S& s) {
            SocketVariant v, len = qint32(-1);
            s.GetData(v, std::nullopt, &len);
        },
        range, "GetData");
    row(
        "GetData of an unknown type", true,
        [](S& s) {
            SocketVariant v;
            s.GetData(v, 9);
        },
        unsupported, "RecvData");
    row(
        "RemotePort out of range", false, [](S& s) { s.setRemotePort(65536); }, range,
        "RemotePort");
    row(
        "RemoteHost while connected", true, [](S& s) { s.setRemoteHost("x"); }, badState,
        "RemoteHost");
    row(
        "LocalPort while connected", true, [](S& s) { s.setLocalPort(0); }, badState, "LocalPort");
    row(
        "Protocol unknown", false, [](S& s) { s.setProtocol(2); }, range, "Protocol");
    row(
        "Listen while connected", true, [](S& s) { s.Listen(); }, badState, "Listen");
}

void TstSocketTcp::refusedOperations() {
    QFETCH(bool, connected);
    QFETCH(Op, op);
    QFETCH(QString, error);
    Peer peer;
    CSocketMaster sock;
    if (connected) QVERIFY(connectTo(sock, peer));
    EventLog log(&sock);
    const qint32 state = sock.State();
    const qint32 port = sock.RemotePort();
    QCOMPARE(raised([&] { op(sock); }), error);
    QCOMPARE(sock.State(), state);
    QCOMPARE(sock.RemotePort(), port);
    QVERIFY(log.Events.isEmpty());
    if (connected) {
        // The connection is untouched: it still carries data.
        sock.SendData("still here");
        QTRY_COMPARE_WITH_TIMEOUT((peer.read(), peer.Received), QByteArray("still here"), kWait);
    }
}

namespace {
enum class Ending { Graceful, AfterData, HalfClose, Reset };
}
Q_DECLARE_METATYPE(Ending)

void TstSocketTcp::peerEnds_data() {
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<qint32>("finalState");
    QTest::addColumn<QStringList>("events");
    const qint32 closing = S::sckClosing;
    QTest::newRow("graceful close") << Ending::Graceful << closing << QStringList{"CloseSck"};
    QTest::newRow("data, then close")
        << Ending::AfterData << closing << QStringList{"DataArrival 300", "CloseSck"};
    QTest::newRow("half close") << Ending::HalfClose << closing << QStringList{"CloseSck"};
    QTest::newRow("reset") << Ending::Reset << qint32(S::sckError)
                           << QStringList{"Error 10054 Connection reset by peer. "
                                          "CSocketMaster.PostSocket"};
}

void TstSocketTcp::peerEnds() {
    QFETCH(Ending, ending);
    QFETCH(qint32, finalState);
    QFETCH(QStringList, events);
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    EventLog log(&sock);
    if (ending == Ending::AfterData) peer.write(pattern(300));
    if (ending == Ending::HalfClose) ::shutdown(int(peer.Conn->socketDescriptor()), SHUT_WR);
    if (ending == Ending::Reset) peer.reset();
    if (ending == Ending::Graceful || ending == Ending::AfterData) peer.Conn->disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(sock.State(), finalState, kWait);
    QCOMPARE(log.Events, events);
    // Data that came before the close stays until CloseSck.
    QCOMPARE(sock.BytesReceived(), ending == Ending::AfterData ? 300 : 0);
    sock.CloseSck();
    QCOMPARE(sock.State(), qint32(S::sckClosed));
}

void TstSocketTcp::arrivalsAccumulate() {
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    EventLog log(&sock);
    const QByteArray sent = pattern(250, 0x79); // holds 0x80 and 0xE9
    peer.write(sent.first(100));
    QTRY_COMPARE_WITH_TIMEOUT(log.Events, QStringList{"DataArrival 100"}, kWait);
    peer.write(sent.sliced(100));
    QTRY_COMPARE_WITH_TIMEOUT(log.Events, (QStringList{"DataArrival 100", "DataArrival 250"}),
                              kWait);
    const QString text = sock.GetDataText();
    QCOMPARE(text.size(), 250);
    QCOMPARE(sock.BytesReceived(), 0);
    // One character per byte in the console's code page: 0x80 is the euro sign, 0xE9 is é.
    QCOMPARE(text[sent.indexOf('\x80')], QChar(0x20AC));
    QCOMPARE(text[sent.indexOf('\xE9')], QChar(0xE9));
    QCOMPARE(text[sent.indexOf('A')], QChar('A'));
}

void TstSocketTcp::largeSendGoesOutWhole() {
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    peer.Conn->setReadBufferSize(256 * 1024); // reads a little at a time
    EventLog log(&sock);
    const QByteArray big = pattern(12 * 1024 * 1024, 3);
    sock.SendData(big);
    // Far more than the system takes at once: the rest waits in the object.
    QCOMPARE(log.count("SendComplete"), 0);
    QTRY_VERIFY_WITH_TIMEOUT((peer.read(), peer.Received.size() == big.size()), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(log.count("SendComplete"), 1, kWait);
    QVERIFY(peer.Received == big);
    qint64 reported = 0;
    bool waited = false;
    for (const QString& e : log.Events) {
        if (!e.startsWith("SendProgress")) continue;
        reported += e.section(' ', 1, 1).toLongLong();
        waited |= e.section(' ', 2, 2).toLongLong() > 0;
    }
    QCOMPARE(reported, big.size());
    QVERIFY(waited);
    QCOMPARE(log.Events.last(), QStringLiteral("SendComplete"));
    QVERIFY(log.Events.at(log.Events.size() - 2).endsWith(" 0"));
}

void TstSocketTcp::closeSck_data() {
    QTest::addColumn<bool>("connected");
    QTest::newRow("no socket") << false;
    QTest::newRow("connected, data waiting both ways") << true;
}

void TstSocketTcp::closeSck() {
    QFETCH(bool, connected);
    Peer peer;
    CSocketMaster sock;
    sock.setRemoteHost("somewhere");
    sock.setRemotePort(4321);
    if (connected) {
        QVERIFY(connectTo(sock, peer));
        peer.write("unread");
        QTRY_COMPARE_WITH_TIMEOUT(sock.BytesReceived(), 6, kWait);
        sock.SendData(pattern(12 * 1024 * 1024)); // more than the system takes at once
    }
    const QString host = sock.RemoteHost();
    const qint32 port = sock.RemotePort();
    EventLog log(&sock);
    sock.CloseSck();
    QCOMPARE(sock.State(), qint32(S::sckClosed));
    QCOMPARE(sock.SocketHandle(), -1);
    QCOMPARE(sock.RemoteHostIP(), QString());
    QCOMPARE(sock.RemoteHost(), host);
    QCOMPARE(sock.RemotePort(), port);
    QCOMPARE(sock.BytesReceived(), 0);
    QCOMPARE(log.States, (connected ? States{S::sckClosing, S::sckClosed} : States{}));
    if (connected) // the peer sees the end, and what was still queued never follows
        QTRY_VERIFY_WITH_TIMEOUT(
            (peer.read(), peer.Conn->state() != QAbstractSocket::ConnectedState), kWait);
    QVERIFY(log.Events.isEmpty());
}

void TstSocketTcp::typedData_data() {
    QTest::addColumn<SocketVariant>("value");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("byte") << SocketVariant(quint8(200)) << QByteArray("c8");
    QTest::newRow("integer") << SocketVariant(qint16(-2)) << QByteArray("feff");
    QTest::newRow("long") << SocketVariant(qint32(0x12345678)) << QByteArray("78563412");
    QTest::newRow("single") << SocketVariant(1.5f) << QByteArray("0000c03f");
    QTest::newRow("double") << SocketVariant(-2.25) << QByteArray("00000000000002c0");
    QTest::newRow("currency 12.3456")
        << SocketVariant(ov::Currency{123456}) << QByteArray("40e2010000000000");
    QTest::newRow("date 2000-01-01 noon")
        << SocketVariant(ov::Date{36526.5}) << QByteArray("00000000d0d5e140");
    QTest::newRow("true") << SocketVariant(true) << QByteArray("ffff");
    QTest::newRow("false") << SocketVariant(false) << QByteArray("0000");
    QTest::newRow("text") << SocketVariant(QString::fromUtf8("Año €")) << QByteArray("41f16f2080");
    QTest::newRow("bytes") << SocketVariant(QByteArray("\x00\x01\xff", 3)) << QByteArray("0001ff");
}

void TstSocketTcp::typedData() {
    QFETCH(SocketVariant, value);
    QFETCH(QByteArray, hex);
    const QByteArray bytes = QByteArray::fromHex(hex);
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    // Out: the value becomes exactly these bytes.
    sock.SendData(value);
    QTRY_COMPARE_WITH_TIMEOUT((peer.read(), peer.Received), bytes, kWait);
    // In: the same bytes become the value again, with the type given by varType.
    peer.write(bytes);
    QTRY_COMPARE_WITH_TIMEOUT(sock.BytesReceived(), qint32(bytes.size()), kWait);
    SocketVariant got;
    sock.GetData(got, ov::sck::VarTypeOf(value));
    QCOMPARE(describe(got), describe(value));
    QVERIFY(got == value);
    QCOMPARE(sock.BytesReceived(), 0);
}

void TstSocketTcp::tooFewBytes_data() {
    QTest::addColumn<SocketVariant>("target");
    QTest::addColumn<qint32>("varType"); // loses against the type the target holds
    QTest::addColumn<int>("available");
    QTest::newRow("long from 3") << SocketVariant(qint32(77)) << qint32(ov::vbByte) << 3;
    QTest::newRow("double from 7") << SocketVariant(1.25) << qint32(ov::vbLong) << 7;
    QTest::newRow("boolean from 1") << SocketVariant(true) << qint32(ov::vbByte) << 1;
    QTest::newRow("currency from 7") << SocketVariant(ov::Currency{9}) << qint32(ov::vbByte) << 7;
    QTest::newRow("empty, as long, from 3") << SocketVariant() << qint32(ov::vbLong) << 3;
    QTest::newRow("empty, as date, from 0") << SocketVariant() << qint32(ov::vbDate) << 0;
}

void TstSocketTcp::tooFewBytes() {
    QFETCH(SocketVariant, target);
    QFETCH(qint32, varType);
    QFETCH(int, available);
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    if (available > 0) {
        peer.write(pattern(available));
        QTRY_COMPARE_WITH_TIMEOUT(sock.BytesReceived(), available, kWait);
    }
    SocketVariant data = target;
    sock.GetData(data, varType);
    QCOMPARE(describe(data), describe(target));
    QCOMPARE(sock.GetDataText().toLatin1(), pattern(available));
}

void TstSocketTcp::maxLen_data() {
    QTest::addColumn<bool>("peek");
    QTest::addColumn<SocketVariant>("target");
    QTest::addColumn<SocketVariant>("maxLen");
    QTest::addColumn<SocketVariant>("expected");
    QTest::addColumn<SocketVariant>("maxLenAfter");
    QTest::addColumn<int>("left");
    const SocketVariant text = QString();
    const SocketVariant four = 4, six = 6;
    QTest::newRow("four of six") << false << text << four << SocketVariant(QString("abcd")) << four
                                 << 2;
    QTest::newRow("none") << false << text << SocketVariant(0) << text << SocketVariant(0) << 6;
    QTest::newRow("more than there is")
        << false << text << SocketVariant(100.0) << SocketVariant(QString("abcdef"))
        << SocketVariant(100.0) << 0;
    QTest::newRow("not numeric: all, and told how many")
        << false << text << SocketVariant(QString("x")) << SocketVariant(QString("abcdef")) << six
        << 0;
    QTest::newRow("bytes by default")
        << false << SocketVariant() << four << SocketVariant(QByteArray("abcd")) << four << 2;
    QTest::newRow("peek leaves all")
        << true << text << four << SocketVariant(QString("abcd")) << four << 6;
}

void TstSocketTcp::maxLen() {
    QFETCH(bool, peek);
    QFETCH(SocketVariant, target);
    QFETCH(SocketVariant, maxLen);
    QFETCH(SocketVariant, expected);
    QFETCH(SocketVariant, maxLenAfter);
    QFETCH(int, left);
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    peer.write("abcdef");
    QTRY_COMPARE_WITH_TIMEOUT(sock.BytesReceived(), 6, kWait);
    SocketVariant data = target;
    if (peek)
        sock.PeekData(data, std::nullopt, &maxLen);
    else
        sock.GetData(data, std::nullopt, &maxLen);
    QCOMPARE(describe(data), describe(expected));
    QCOMPARE(describe(maxLen), describe(maxLenAfter));
    QCOMPARE(sock.BytesReceived(), left);
}

void TstSocketTcp::destroyedInsideHandler_data() {
    QTest::addColumn<QString>("event");
    for (const char* e : {"Connect", "DataArrival", "CloseSck", "Error", "SendComplete"})
        QTest::newRow(e) << QString(e);
}

void TstSocketTcp::destroyedInsideHandler() {
    QFETCH(QString, event);
    Peer peer;
    QPointer<CSocketMaster> sock = new CSocketMaster;
    auto kill = [&] { delete sock.data(); };
    CSocketMaster* s = sock.data();
    if (event == "Connect") connect(s, &CSocketMasterEvents::Connect, kill);
    if (event == "DataArrival") connect(s, &S::DataArrival, kill);
    if (event == "CloseSck") connect(s, &CSocketMasterEvents::CloseSck, kill);
    if (event == "Error") connect(s, &S::Error, kill);
    if (event == "SendComplete") connect(s, &S::SendComplete, kill);
    sock->Connect("127.0.0.1", qint32(peer.port()));
    QVERIFY(peer.accept());
    QTRY_VERIFY_WITH_TIMEOUT(!sock || sock->State() == S::sckConnected, kWait);
    if (event == "DataArrival") peer.write("x");
    if (event == "CloseSck") peer.Conn->disconnectFromHost();
    if (event == "Error") peer.reset();
    if (event == "SendComplete") sock->SendData("x");
    QTRY_VERIFY_WITH_TIMEOUT(sock.isNull(), kWait);
}

void TstSocketTcp::handlersCallBack() {
    // The window's way: answer inside DataArrival, close inside CloseSck, then connect again.
    Peer peer;
    CSocketMaster sock;
    EventLog log(&sock);
    connect(&sock, &S::DataArrival, [&] { sock.SendData("ack " + sock.GetDataText()); });
    connect(&sock, &CSocketMasterEvents::CloseSck, [&] {
        sock.CloseSck();
        sock.Connect("127.0.0.1", qint32(peer.port()));
    });
    QVERIFY(connectTo(sock, peer));
    peer.write("hello");
    QTRY_COMPARE_WITH_TIMEOUT((peer.read(), peer.Received), QByteArray("ack hello"), kWait);
    QTcpSocket* first = peer.Conn;
    first->disconnectFromHost();
    QVERIFY(peer.accept()); // the handler's new connection
    QVERIFY(peer.Conn != first);
    QTRY_COMPARE_WITH_TIMEOUT(sock.State(), qint32(S::sckConnected), kWait);
    QCOMPARE(log.Events, (QStringList{"Connect", "DataArrival 5", "SendProgress 9 0",
                                      "SendComplete", "CloseSck", "Connect"}));
}

void TstSocketTcp::lookupInterrupted_data() {
    QTest::addColumn<bool>("destroy");
    QTest::newRow("closed while resolving") << false;
    QTest::newRow("destroyed while resolving") << true;
}

void TstSocketTcp::lookupInterrupted() {
    QFETCH(bool, destroy);
    Peer peer;
    auto sock = std::make_unique<CSocketMaster>();
    EventLog log(sock.get());
    sock->Connect("localhost", qint32(peer.port()));
    QCOMPARE(sock->State(), qint32(S::sckResolvingHost));
    if (destroy)
        sock.reset();
    else
        sock->CloseSck();
    // A second object doing the same shows when the lookup would have come back.
    CSocketMaster witness;
    witness.Connect("localhost", qint32(peer.port()));
    QTRY_COMPARE_WITH_TIMEOUT(witness.State(), qint32(S::sckConnected), kWait);
    if (sock) QCOMPARE(sock->State(), qint32(S::sckClosed));
    QCOMPARE(log.Events, QStringList{});
    for (const auto& e : modSocketMaster::LookupRoutes().Entries())
        QCOMPARE(e.Handle, -1);
}

void TstSocketTcp::floodArrivesWholeAndInOrder() {
    Peer peer;
    CSocketMaster sock;
    QVERIFY(connectTo(sock, peer));
    QByteArray got;
    connect(&sock, &S::DataArrival, [&] {
        SocketVariant bytes = QByteArray();
        sock.GetData(bytes);
        got += std::get<QByteArray>(bytes);
    });
    QByteArray sent;
    for (int i = 0; i < 400; ++i) {
        const QByteArray chunk = pattern(1 + (i * 7919) % 20000, i);
        sent += chunk;
        peer.Conn->write(chunk);
    }
    peer.Conn->disconnectFromHost(); // the close follows the last byte
    QTRY_COMPARE_WITH_TIMEOUT(sock.State(), qint32(S::sckClosing), 60000);
    QCOMPARE(got.size(), sent.size());
    QVERIFY(got == sent);
}

QTEST_MAIN(TstSocketTcp)
#include "tst_socket_tcp.moc"
