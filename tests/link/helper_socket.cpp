#include "helper_socket.h"

#include "core/ui_seam.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <sys/socket.h>

namespace sockettest {

QByteArray pattern(qsizetype n, int seed) {
    QByteArray out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        out[i] = char((i * 7 + seed) & 0xFF);
    return out;
}

EventLog::EventLog(CSocketMaster* sock) {
    connect(sock, &CSocketMasterEvents::Connect, this, [this] { Events << "Connect"; });
    connect(sock, &CSocketMasterEvents::CloseSck, this, [this] { Events << "CloseSck"; });
    connect(sock, &CSocketMaster::ConnectionRequest, this,
            [this](qint32) { Events << "ConnectionRequest"; });
    connect(sock, &CSocketMaster::DataArrival, this,
            [this](qint32 n) { Events << QStringLiteral("DataArrival %1").arg(n); });
    connect(sock, &CSocketMaster::Error, this,
            [this](qint16 number, QString& description, qint32 sCode, QString source,
                   QString helpFile, qint32 helpContext, bool& cancelDisplay) {
                Events << QStringLiteral("Error %1 %2 %3").arg(number).arg(description, source);
                // These three never carry anything; a line that says otherwise fails the test.
                if (sCode != 0 || !helpFile.isEmpty() || helpContext != 0 || !cancelDisplay)
                    Events << "Error with unexpected extras";
                cancelDisplay = CancelDisplay;
            });
    connect(sock, &CSocketMaster::SendComplete, this, [this] { Events << "SendComplete"; });
    connect(sock, &CSocketMaster::SendProgress, this, [this](qint32 sent, qint32 left) {
        Events << QStringLiteral("SendProgress %1 %2").arg(sent).arg(left);
    });
    connect(sock, &CSocketMaster::StateChanged, this, [this](qint32 s) { States << s; });
}

int EventLog::count(const QString& prefix) const {
    int n = 0;
    for (const QString& e : Events)
        if (e == prefix || e.startsWith(prefix + ' ')) ++n;
    return n;
}

Peer::Peer() : m_server(new QTcpServer) {
    m_server->listen(QHostAddress::LocalHost, 0);
}

Peer::~Peer() {
    delete m_server;
}

quint16 Peer::port() const {
    return m_server->serverPort();
}

QTcpSocket* Peer::accept() {
    // Waits with the event loop running, so that the objects under test go on working.
    if (!QTest::qWaitFor([this] { return m_server->hasPendingConnections(); }, 20000))
        return nullptr;
    Conn = m_server->nextPendingConnection();
    Received.clear();
    return Conn;
}

void Peer::read() {
    if (Conn) Received += Conn->readAll();
}

void Peer::write(const QByteArray& bytes) {
    Conn->write(bytes);
    while (Conn->bytesToWrite() > 0 && Conn->waitForBytesWritten(10000)) {
    }
}

void Peer::reset() {
    const linger hard{1, 0};
    ::setsockopt(int(Conn->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    Conn->abort();
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

int openFdCount() {
    return int(QDir("/proc/self/fd")
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}

MessageBoxes::MessageBoxes() {
    ov::ui::Handler h;
    h.messageBox = [this](const QString& text, const QString& title, ov::ui::Icon) {
        Shown << title + '|' + text;
    };
    ov::ui::setHandler(h);
}

MessageBoxes::~MessageBoxes() {
    ov::ui::setHandler({});
}

bool connectTo(CSocketMaster& sock, Peer& peer) {
    sock.Connect(QStringLiteral("127.0.0.1"), qint32(peer.port()));
    if (!peer.accept()) return false;
    return QTest::qWaitFor([&] { return sock.State() == CSocketMaster::sckConnected; }, 10000);
}

} // namespace sockettest
