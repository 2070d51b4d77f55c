// The socket object as the console uses it, a TCP client against a real peer on 127.0.0.1:
// connecting and failing to, the peer ending the connection, receiving and
// sending, and handlers that answer, close, connect again or destroy the object.
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

class TstSocketTcp : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        // Every object of a test is gone: so must be the module's window and registries.
        QCOMPARE(modSocketMaster::InstanceCount(), 0);
        QVERIFY(!modSocketMaster::RegistryExists());
        QCOMPARE(modSocketMaster::MessageWindowHandle(), quintptr(0));
    }

    void connecting_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("showBox"); // what the Error handler leaves in CancelDisplay
        QTest::addColumn<QString>("event");
        QTest::addColumn<States>("trail");
        const QString refused = "Error 10061 Connection refused. CSocketMaster.PostSocket";
        const QString unknown = "Error 11001 Host not found. CSocketMaster.ConnectToIP";
        const States direct{S::sckConnecting, S::sckConnected};
        QTest::newRow("dotted address") << "127.0.0.1" << true << false << "Connect" << direct;
        QTest::newRow("short dotted form") << "127.1" << true << false << "Connect" << direct;
        QTest::newRow("host name")
            << "localhost" << true << false << "Connect"
            << States{S::sckResolvingHost, S::sckHostResolved, S::sckConnecting, S::sckConnected};
        QTest::newRow("refused, shown")
            << "127.0.0.1" << false << true << refused << States{S::sckConnecting, S::sckError};
        QTest::newRow("unknown host") << "no such host" << false << false << unknown
                                      << States{S::sckResolvingHost, S::sckError};
    }
    void connecting() {
        QFETCH(QString, host);
        QFETCH(bool, listening);
        QFETCH(bool, showBox);
        QFETCH(QString, event);
        QFETCH(States, trail);
        MessageBoxes boxes;
        Peer peer;
        CSocketMaster sock;
        EventLog log(&sock);
        log.CancelDisplay = !showBox;
        sock.Connect(host, qint32(listening ? peer.port() : closedPort()));
        QCOMPARE(sock.State(), trail.first());
        if (listening) QVERIFY(peer.accept());
        QTRY_COMPARE_WITH_TIMEOUT(sock.State(), trail.last(), kWait);
        QCOMPARE(log.Events, QStringList{event});
        QCOMPARE(log.States, trail);
        QCOMPARE(boxes.Shown,
                 showBox ? QStringList{event.section(' ', -1) + '|' + event.section(' ', 2, -2)}
                         : QStringList{});
        if (!listening) {
            QVERIFY_THROWS_EXCEPTION(ov::RaisedError, sock.Connect()); // only CloseSck leaves it
            sock.CloseSck();
            QCOMPARE(sock.State(), qint32(S::sckClosed));
            return;
        }
        QCOMPARE(sock.RemoteHostIP() + ' ' + sock.LocalIP(), QStringLiteral("127.0.0.1 127.0.0.1"));
        QCOMPARE(QPoint(sock.RemotePort(), sock.LocalPort()),
                 QPoint(peer.port(), peer.Conn->peerPort()));
    }

    void peerEnds_data() {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<qint32>("finalState");
        QTest::addColumn<QStringList>("events");
        const qint32 closing = S::sckClosing;
        QTest::newRow("graceful close") << "close" << closing << QStringList{"CloseSck"};
        QTest::newRow("data, then close")
            << "data" << closing << QStringList{"DataArrival 300", "CloseSck"};
        QTest::newRow("half close") << "half" << closing << QStringList{"CloseSck"};
        QTest::newRow("reset")
            << "reset" << qint32(S::sckError)
            << QStringList{"Error 10054 Connection reset by peer. CSocketMaster.PostSocket"};
    }
    void peerEnds() {
        QFETCH(QString, ending);
        QFETCH(qint32, finalState);
        QFETCH(QStringList, events);
        Peer peer;
        CSocketMaster sock;
        QVERIFY(connectTo(sock, peer));
        EventLog log(&sock);
        if (ending == "data") peer.write(pattern(300));
        if (ending == "half") ::shutdown(int(peer.Conn->socketDescriptor()), SHUT_WR);
        if (ending == "reset") peer.reset();
        if (ending == "close" || ending == "data") peer.Conn->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(sock.State(), finalState, kWait);
        QCOMPARE(log.Events, events);
        QCOMPARE(sock.BytesReceived(), ending == "data" ? 300 : 0); // kept until CloseSck
        sock.CloseSck();
        QCOMPARE(QList<qint32>({sock.State(), sock.SocketHandle(), sock.BytesReceived()}),
                 QList<qint32>({S::sckClosed, -1, 0}));
        QCOMPARE(sock.RemoteHostIP(), QString());
    }

    void arrivals() {
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
        QCOMPARE(sock.BytesReceived(), 0);
        // One character per byte in the console's code page: 0x80 is the euro sign, 0xE9 is é.
        QCOMPARE(text.size(), 250);
        QCOMPARE(QString(text[sent.indexOf('\x80')]) + text[sent.indexOf('\xE9')],
                 QString::fromUtf8("€é"));
        // A flood of chunks taken as they arrive comes whole and in order, the close after it.
        QByteArray got, flood;
        connect(&sock, &S::DataArrival, [&] { got += sock.GetDataBytes(); });
        for (int i = 0; i < 400; ++i) {
            const QByteArray chunk = pattern(1 + (i * 7919) % 20000, i);
            flood += chunk;
            peer.Conn->write(chunk);
        }
        peer.Conn->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(sock.State(), qint32(S::sckClosing), 60000);
        QVERIFY(got == flood);
    }

    void largeSendGoesOutWhole() {
        Peer peer;
        CSocketMaster sock;
        QVERIFY(connectTo(sock, peer));
        peer.Conn->setReadBufferSize(256 * 1024); // reads a little at a time
        EventLog log(&sock);
        const QByteArray big = pattern(12 * 1024 * 1024, 3);
        sock.SendData(big);
        QCOMPARE(log.count("SendComplete"),
                 0); // more than the system takes at once: the rest waits
        QTRY_VERIFY_WITH_TIMEOUT((peer.read(), peer.Received.size() == big.size()), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(log.count("SendComplete"), 1, kWait);
        QVERIFY(peer.Received == big);
        qint64 reported = 0, waiting = 0;
        for (const QString& e : log.Events)
            if (e.startsWith("SendProgress")) {
                reported += e.section(' ', 1, 1).toLongLong();
                waiting = std::max(waiting, e.section(' ', 2, 2).toLongLong());
            }
        QCOMPARE(reported, big.size());
        QVERIFY(waiting > 0 && log.Events.at(log.Events.size() - 2).endsWith(" 0"));
        QCOMPARE(log.Events.last(), QStringLiteral("SendComplete"));
    }

    void destroyedInsideHandler_data() {
        QTest::addColumn<QString>("event");
        for (const char* e : {"Connect", "DataArrival", "CloseSck", "Error", "SendComplete"})
            QTest::newRow(e) << QString(e);
    }
    void destroyedInsideHandler() {
        QFETCH(QString, event);
        Peer peer;
        QPointer<CSocketMaster> sock = new CSocketMaster;
        const auto kill = [&] { delete sock.data(); };
        if (event == "Connect") connect(sock, &CSocketMasterEvents::Connect, kill);
        if (event == "DataArrival") connect(sock, &S::DataArrival, kill);
        if (event == "CloseSck") connect(sock, &CSocketMasterEvents::CloseSck, kill);
        if (event == "Error") connect(sock, &S::Error, kill);
        if (event == "SendComplete") connect(sock, &S::SendComplete, kill);
        sock->Connect("127.0.0.1", qint32(peer.port()));
        QVERIFY(peer.accept());
        QTRY_VERIFY_WITH_TIMEOUT(!sock || sock->State() == S::sckConnected, kWait);
        if (event == "DataArrival") peer.write("x");
        if (event == "CloseSck") peer.Conn->disconnectFromHost();
        if (event == "Error") peer.reset();
        if (event == "SendComplete") sock->SendData("x");
        QTRY_VERIFY_WITH_TIMEOUT(sock.isNull(), kWait);
    }

    // The window's way: answer inside DataArrival, close inside CloseSck, then connect again.
    void handlersCallBack() {
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
        QVERIFY(peer.accept() && peer.Conn != first); // the handler's new connection
        QTRY_COMPARE_WITH_TIMEOUT(sock.State(), qint32(S::sckConnected), kWait);
        QCOMPARE(log.Events, (QStringList{"Connect", "DataArrival 5", "SendProgress 9 0",
                                          "SendComplete", "CloseSck", "Connect"}));
    }

    // Closed or destroyed while its host name is looked up: the answer, when it comes, is
    // dropped. A second object doing the same shows when it would have come back.
    void lookupInterrupted() {
        for (const bool destroy : {false, true}) {
            Peer peer;
            auto sock = std::make_unique<CSocketMaster>();
            EventLog log(sock.get());
            sock->Connect("localhost", qint32(peer.port()));
            QCOMPARE(sock->State(), qint32(S::sckResolvingHost));
            if (destroy)
                sock.reset();
            else
                sock->CloseSck();
            CSocketMaster witness;
            witness.Connect("localhost", qint32(peer.port()));
            QTRY_COMPARE_WITH_TIMEOUT(witness.State(), qint32(S::sckConnected), kWait);
            if (sock) QCOMPARE(sock->State(), qint32(S::sckClosed));
            QCOMPARE(log.Events, QStringList{});
            for (const auto& e : modSocketMaster::LookupRoutes().Entries())
                QCOMPARE(e.Handle, -1);
        }
    }
};

QTEST_MAIN(TstSocketTcp)
#include "tst_socket_tcp.moc"
