// The parts of the socket object the console itself does not use: UDP datagrams, binding,
// listening and accepting; and that no way of using it leaves a socket open.
#include "helper_socket.h"

#include "link/modSocketMaster.h"

#include <QTcpServer>
#include <QTest>
#include <memory>

using namespace sockettest;
using ov::SocketVariant;
using S = CSocketMaster;

namespace {

// A UDP object bound to a system-chosen port on every local address.
std::unique_ptr<CSocketMaster> boundUdp() {
    auto sock = std::make_unique<CSocketMaster>();
    sock->setProtocol(S::sckUDPProtocol);
    sock->Bind(0);
    return sock;
}

std::unique_ptr<CSocketMaster> udpSenderTo(const CSocketMaster& target, bool byConnect = false) {
    auto sock = std::make_unique<CSocketMaster>();
    sock->setProtocol(S::sckUDPProtocol);
    if (byConnect) {
        sock->Connect("127.0.0.1", target.LocalPort());
    } else {
        sock->setRemoteHost("127.0.0.1");
        sock->setRemotePort(target.LocalPort());
    }
    return sock;
}

} // namespace

class TstSocketServerUdp : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void udpExchange_data();
    void udpExchange();
    void datagramsKeptApart_data();
    void datagramsKeptApart();
    void datagramLongerThanAsked_data();
    void datagramLongerThanAsked();
    void udpUnknownHost();
    void bindRules_data();
    void bindRules();
    void listenAccept_data();
    void listenAccept();
    void acceptRefused_data();
    void acceptRefused();
    void noSocketLeft();
};

void TstSocketServerUdp::cleanup() {
    QCOMPARE(modSocketMaster::InstanceCount(), 0);
    QVERIFY(!modSocketMaster::RegistryExists());
}

void TstSocketServerUdp::udpExchange_data() {
    QTest::addColumn<bool>("byConnect");
    QTest::addColumn<SocketVariant>("value");
    QTest::newRow("text, sender set up by properties") << false << SocketVariant(QString("hola"));
    QTest::newRow("every byte value, sender set up by Connect")
        << true << SocketVariant(pattern(256));
    QTest::newRow("a long") << false << SocketVariant(qint32(-123456789));
}

void TstSocketServerUdp::udpExchange() {
    QFETCH(bool, byConnect);
    QFETCH(SocketVariant, value);
    auto receiver = boundUdp();
    QCOMPARE(receiver->State(), qint32(S::sckOpen));
    QVERIFY(receiver->LocalPort() > 0);
    auto sender = udpSenderTo(*receiver, byConnect);
    EventLog sent(sender.get());
    EventLog heard(receiver.get());
    SocketVariant got;
    connect(receiver.get(), &S::DataArrival,
            [&] { receiver->GetData(got, ov::sck::VarTypeOf(value)); });
    sender->SendData(value);
    QCOMPARE(sender->State(), qint32(S::sckOpen));
    QVERIFY(sent.Events.isEmpty()); // no progress or completion for datagrams
    QTRY_VERIFY_WITH_TIMEOUT(got == value, kWait);
    const auto size = qint32(ov::sck::VariantToBytes(value)->size());
    QCOMPARE(heard.Events, QStringList{QStringLiteral("DataArrival %1").arg(size)});
    QCOMPARE(receiver->RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(receiver->RemotePort(), sender->LocalPort());
    QCOMPARE(receiver->RemoteHost(), QString());
    QCOMPARE(receiver->BytesReceived(), 0);
}

void TstSocketServerUdp::datagramsKeptApart_data() {
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QStringList>("seen");
    QTest::newRow("handler takes each") << "GetData" << QStringList{"one", "three!"};
    QTest::newRow("handler only peeks") << "PeekData" << QStringList{"one", "three!"};
    QTest::newRow("handler ignores") << "" << QStringList{};
}

void TstSocketServerUdp::datagramsKeptApart() {
    QFETCH(QString, handler);
    QFETCH(QStringList, seen);
    auto receiver = boundUdp();
    auto sender = udpSenderTo(*receiver);
    EventLog heard(receiver.get());
    QStringList got;
    connect(receiver.get(), &S::DataArrival, [&] {
        SocketVariant text = QString();
        if (handler == "GetData") receiver->GetData(text);
        if (handler == "PeekData") receiver->PeekData(text);
        if (!handler.isEmpty()) got << std::get<QString>(text);
    });
    // Both are queued before the receiver hears of the first.
    sender->SendData("one");
    sender->SendData("three!");
    QTRY_COMPARE_WITH_TIMEOUT(heard.Events.size(), 2, kWait);
    QCOMPARE(heard.Events, (QStringList{"DataArrival 3", "DataArrival 6"}));
    QCOMPARE(got, seen);
    QTRY_COMPARE_WITH_TIMEOUT(receiver->BytesReceived(), 0, kWait);
}

void TstSocketServerUdp::datagramLongerThanAsked_data() {
    QTest::addColumn<qint32>("maxLen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("four of six") << 4 << "abcd";
    QTest::newRow("none of six") << 0 << "";
}

void TstSocketServerUdp::datagramLongerThanAsked() {
    QFETCH(qint32, maxLen);
    QFETCH(QString, expected);
    auto receiver = boundUdp();
    auto sender = udpSenderTo(*receiver);
    sender->SendData("abcdef");
    sender->SendData("next");
    QTRY_COMPARE_WITH_TIMEOUT(receiver->BytesReceived(), 6, kWait);
    SocketVariant text = QString("old");
    SocketVariant len = maxLen;
    QCOMPARE(raised([&] { receiver->GetData(text, std::nullopt, &len); }),
             QStringLiteral("10040 CSocketMaster.RecvData Message too long."));
    QCOMPARE(std::get<QString>(text), expected);
    // The long datagram is gone whole; the next one is intact.
    QCOMPARE(receiver->BytesReceived(), 4);
    QCOMPARE(receiver->GetDataText(), QStringLiteral("next"));
}

void TstSocketServerUdp::udpUnknownHost() {
    auto receiver = boundUdp();
    CSocketMaster sender;
    sender.setProtocol(S::sckUDPProtocol);
    sender.setRemoteHost("no such host");
    sender.setRemotePort(receiver->LocalPort());
    QCOMPARE(raised([&] { sender.SendData("lost"); }),
             QStringLiteral("40014 CSocketMaster.SendBufferedDataUDP Invalid argument"));
    // Nothing of the failed send is left to go out later.
    sender.setRemoteHost("127.0.0.1");
    QString got;
    connect(receiver.get(), &S::DataArrival, [&] { got = receiver->GetDataText(); });
    sender.SendData("found");
    QTRY_COMPARE_WITH_TIMEOUT(got, QStringLiteral("found"), kWait);
}

void TstSocketServerUdp::bindRules_data() {
    QTest::addColumn<SocketVariant>("port"); // -1: a port in use
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("error");
    const QString src = "%1 CSocketMaster.BindInternal %2";
    QTest::newRow("system-chosen port") << SocketVariant(0) << ""
                                        << "none";
    QTest::newRow("port as text, address by name") << SocketVariant(QString("0")) << "localhost"
                                                   << "none";
    QTest::newRow("port in use") << SocketVariant(-1) << "127.0.0.1"
                                 << src.arg(10048).arg("Address already in use.");
    QTest::newRow("port too large")
        << SocketVariant(65536) << ""
        << src.arg(40014).arg("The argument passed to a function was not in the correct format "
                              "or in the specified range.");
    QTest::newRow("port in words")
        << SocketVariant(QString("http")) << "" << src.arg(40018).arg("Unsupported variant type.");
    QTest::newRow("unknown local address")
        << SocketVariant(0) << "no such host" << src.arg(40014).arg("Invalid argument");
}

void TstSocketServerUdp::bindRules() {
    QFETCH(SocketVariant, port);
    QFETCH(QString, address);
    QFETCH(QString, error);
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    if (port == SocketVariant(-1)) port = qint32(taken.serverPort());
    CSocketMaster sock;
    QCOMPARE(raised([&] { sock.Bind(port, address); }), error);
    QCOMPARE(sock.State(), qint32(error == "none" ? S::sckOpen : S::sckClosed));
    if (error == "none") QVERIFY(sock.LocalPort() > 0);
}

void TstSocketServerUdp::listenAccept_data() {
    QTest::addColumn<bool>("takeOver");
    QTest::newRow("taken over") << true;
    QTest::newRow("left alone") << false;
}

void TstSocketServerUdp::listenAccept() {
    QFETCH(bool, takeOver);
    CSocketMaster server;
    server.Listen();
    QCOMPARE(server.State(), qint32(S::sckListening));
    QVERIFY(server.LocalPort() > 0);
    EventLog serverLog(&server);
    CSocketMaster taker;
    EventLog takerLog(&taker);
    QString peerDuringRequest;
    connect(&server, &S::ConnectionRequest, [&](qint32 requestID) {
        peerDuringRequest = server.RemoteHostIP();
        if (takeOver) taker.Accept(requestID);
    });
    CSocketMaster client;
    EventLog clientLog(&client);
    client.Connect("127.0.0.1", server.LocalPort());
    QTRY_COMPARE_WITH_TIMEOUT(serverLog.Events, QStringList{"ConnectionRequest"}, kWait);
    QCOMPARE(peerDuringRequest, QStringLiteral("127.0.0.1"));
    QCOMPARE(server.RemoteHostIP(), QString()); // put back after the event
    QCOMPARE(server.State(), qint32(S::sckListening));
    if (!takeOver) {
        // Refused by closing: the client sees the peer go.
        QTRY_COMPARE_WITH_TIMEOUT(client.State(), qint32(S::sckClosing), kWait);
        QCOMPARE(clientLog.Events, (QStringList{"Connect", "CloseSck"}));
        QCOMPARE(taker.State(), qint32(S::sckClosed));
        return;
    }
    QCOMPARE(taker.State(), qint32(S::sckConnected));
    QCOMPARE(taker.RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QTRY_COMPARE_WITH_TIMEOUT(client.State(), qint32(S::sckConnected), kWait);
    QCOMPARE(taker.RemotePort(), client.LocalPort());
    QCOMPARE(taker.LocalPort(), server.LocalPort());
    client.SendData("ping");
    QTRY_COMPARE_WITH_TIMEOUT(taker.BytesReceived(), 4, kWait);
    QCOMPARE(taker.GetDataText(), QStringLiteral("ping"));
    taker.SendData("pong");
    QTRY_COMPARE_WITH_TIMEOUT(client.BytesReceived(), 4, kWait);
    QCOMPARE(client.GetDataText(), QStringLiteral("pong"));
    taker.CloseSck();
    QTRY_COMPARE_WITH_TIMEOUT(client.State(), qint32(S::sckClosing), kWait);
    QCOMPARE(takerLog.Events, (QStringList{"DataArrival 4", "SendProgress 4 0", "SendComplete"}));
}

void TstSocketServerUdp::acceptRefused_data() {
    QTest::addColumn<bool>("ownedByAnother");
    QTest::addColumn<QString>("error");
    QTest::newRow("socket of another object")
        << true
        << "40006 CSocketMaster.Accept Wrong protocol or connection state for the requested "
           "transaction or request";
    QTest::newRow("no socket at all")
        << false << "10038 CSocketMaster.ProcessOptions Socket operation on nonsocket.";
}

void TstSocketServerUdp::acceptRefused() {
    QFETCH(bool, ownedByAnother);
    QFETCH(QString, error);
    Peer peer;
    CSocketMaster owner;
    QVERIFY(connectTo(owner, peer));
    CSocketMaster thief;
    QCOMPARE(raised([&] { thief.Accept(ownedByAnother ? owner.SocketHandle() : 1 << 20); }), error);
    QCOMPARE(thief.SocketHandle(), -1);
    QCOMPARE(thief.State(), qint32(S::sckClosed));
    thief.CloseSck(); // holds nothing, so closes nothing
    owner.SendData("mine");
    QTRY_COMPARE_WITH_TIMEOUT((peer.read(), peer.Received), QByteArray("mine"), kWait);
}

void TstSocketServerUdp::noSocketLeft() {
    const int before = openFdCount();
    {
        Peer peer;
        CSocketMaster server;
        server.Listen();
        auto taker = std::make_unique<CSocketMaster>();
        connect(&server, &S::ConnectionRequest, [&](qint32 id) {
            if (taker) taker->Accept(id);
        });
        for (int round = 0; round < 5; ++round) {
            CSocketMaster a; // closed by CloseSck
            QVERIFY(connectTo(a, peer));
            a.CloseSck();
            auto b = std::make_unique<CSocketMaster>(); // destroyed while connected
            QVERIFY(connectTo(*b, peer));
            b.reset();
            CSocketMaster c; // refused
            c.Connect("127.0.0.1", closedPort());
            QTRY_COMPARE_WITH_TIMEOUT(c.State(), qint32(S::sckError), kWait);
            CSocketMaster d; // reset by the peer, then destroyed without closing
            QVERIFY(connectTo(d, peer));
            peer.reset();
            QTRY_COMPARE_WITH_TIMEOUT(d.State(), qint32(S::sckError), kWait);
            CSocketMaster e; // taken over by Accept, then destroyed
            e.Connect("127.0.0.1", server.LocalPort());
            QTRY_COMPARE_WITH_TIMEOUT(taker->State(), qint32(S::sckConnected), kWait);
            taker.reset();
            CSocketMaster f; // a connection the server's owner leaves alone
            f.Connect("127.0.0.1", server.LocalPort());
            QTRY_COMPARE_WITH_TIMEOUT(f.State(), qint32(S::sckClosing), kWait);
            taker = std::make_unique<CSocketMaster>();
            auto g = udpSenderTo(*boundUdp()); // datagrams to a port closed meanwhile
            g->SendData("to nobody");
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(openFdCount(), before, kWait);
}

QTEST_MAIN(TstSocketServerUdp)
#include "tst_socket_server_udp.moc"
