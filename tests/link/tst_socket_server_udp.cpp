// No way of using the socket object (connecting, closing, being refused or reset, listening,
// accepting, sending datagrams) leaves a socket open.
#include "helper_socket.h"

#include "link/modSocketMaster.h"

#include <QTest>
#include <memory>

using namespace sockettest;
using S = CSocketMaster;

namespace {

std::unique_ptr<CSocketMaster> udp(quint16 sendTo = 0) {
    auto sock = std::make_unique<CSocketMaster>();
    sock->setProtocol(S::sckUDPProtocol);
    if (!sendTo) sock->Bind(0); // a system-chosen port on every local address
    sock->setRemoteHost("127.0.0.1");
    sock->setRemotePort(sendTo);
    return sock;
}

} // namespace

class TstSocketServerUdp : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QCOMPARE(modSocketMaster::InstanceCount(), 0);
        QVERIFY(!modSocketMaster::RegistryExists());
    }

    void noSocketLeft() {
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
                auto g = udp(quint16(udp()->LocalPort())); // datagrams to a port closed meanwhile
                g->SendData("to nobody");
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(openFdCount(), before, kWait);
    }
};

QTEST_MAIN(TstSocketServerUdp)
#include "tst_socket_server_udp.moc"
