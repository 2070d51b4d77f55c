#pragma once
// Pieces the socket tests share: a recorder of a CSocketMaster's events, a TCP peer on
// 127.0.0.1, and counts of the process's open files (to find leaked sockets).
#include "link/CSocketMaster.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

namespace sockettest {

// A generous limit for anything the tests wait for.
inline constexpr int kWait = 20000;

// n bytes running through every byte value, including those the code page maps specially.
QByteArray pattern(qsizetype n, int seed = 0);

// Every event of one object as a line of text, in order ("Connect", "CloseSck",
// "DataArrival 250", "Error 10061 Connection refused. CSocketMaster.PostSocket",
// "SendProgress 100 0", "SendComplete", "ConnectionRequest"), and every state it passed.
class EventLog : public QObject {
public:
    explicit EventLog(CSocketMaster* sock);
    int count(const QString& prefix) const;

    QStringList Events;
    QList<qint32> States;
    bool CancelDisplay = true; // what the Error handler leaves in CancelDisplay
};

// A listening TCP peer with a system-chosen port; it keeps the last connection it accepted and
// everything read from it.
class Peer {
public:
    Peer();
    ~Peer();
    quint16 port() const;
    // The next accepted connection (waits for it), or nullptr after a generous time.
    QTcpSocket* accept();
    // Reads what has arrived into Received; the test decides when (a slow reader).
    void read();
    // Writes and pushes the bytes to the system at once.
    void write(const QByteArray& bytes);
    // Ends the connection with a reset instead of a graceful close.
    void reset();

    QTcpSocket* Conn = nullptr;
    QByteArray Received;

private:
    QTcpServer* m_server;
};

// A port on 127.0.0.1 that nobody listens on.
quint16 closedPort();
// Open file descriptors of this process.
int openFdCount();
// Message boxes shown through the desktop seam, as "title|text", for the object's life.
class MessageBoxes {
public:
    MessageBoxes();
    ~MessageBoxes();
    QStringList Shown;
};

// Connects sock to peer and waits until both ends see the connection.
bool connectTo(CSocketMaster& sock, Peer& peer);

} // namespace sockettest
