#pragma once
// The socket calls the socket object is written against, on non-blocking BSD sockets, with the
// failures already turned into Windows Sockets numbers (SocketErrors.h).
//
// Notifications follow the asynchronous-select model: after AsyncSelect a socket's readiness is
// watched by QSocketNotifiers on the thread's event loop and reported as WindowMessages posted
// to a message window (wParam the socket, lParam the event code in its low 16 bits and the error
// in its high 16 bits). Like the model it stands in for, a read or accept notification is not
// repeated until the socket is read or accepted from again, a write notification comes only
// after a send would have blocked, and a close notification comes once. A readable connection
// whose next read would answer end-of-stream (or a reset) gives the close notification, so the
// data before a close always arrives first.
//
// Host lookups run through QHostInfo; a finished lookup posts a WindowMessage (wParam the
// lookup handle, the error in the high 16 bits of lParam) and keeps its addresses until taken.
#include <QEvent>
#include <QList>
#include <QString>
#include <optional>

class QObject;

namespace ov::sck {

// Event codes of socket notifications.
inline constexpr qint32 FD_READ = 1;
inline constexpr qint32 FD_WRITE = 2;
inline constexpr qint32 FD_OOB = 4;
inline constexpr qint32 FD_ACCEPT = 8;
inline constexpr qint32 FD_CONNECT = 16;
inline constexpr qint32 FD_CLOSE = 32;

constexpr qintptr MakeLParam(qint32 low, qint32 high) {
    return qintptr((quint32(low) & 0xFFFF) | ((quint32(high) & 0xFFFF) << 16));
}
constexpr qint32 LoWord(qintptr lParam) {
    return qint32(quint32(lParam) & 0xFFFF);
}
constexpr qint32 HiWord(qintptr lParam) {
    return qint32((quint32(lParam) >> 16) & 0xFFFF);
}

// A message posted to a message window.
class WindowMessage : public QEvent {
public:
    WindowMessage(quint32 msg, qintptr wParam, qintptr lParam, quint64 ticket = 0);
    static QEvent::Type eventType();

    const quint32 Msg;
    const qintptr WParam;
    const qintptr LParam;
    // The watch that posted a socket notification; lets IsCurrent() recognise notifications of
    // a socket that has since been closed (its number may already belong to a new socket).
    const quint64 Ticket;
};

// A value or a Windows Sockets error number (0 when the call succeeded).
struct Result {
    qint64 Value = 0;
    qint32 Error = 0;
    bool ok() const { return Error == 0; }
};

// IPv4 addresses are held in network byte order, as the platform's address structures hold them.
struct Endpoint {
    quint32 Address = 0;
    quint16 Port = 0;
};

// A new non-blocking IPv4 socket (stream/TCP, or datagram/UDP); Value is its handle.
Result CreateSocket(bool udp);
// Stops the socket's notifications and closes it. Answers the error number, 0 on success.
qint32 CloseSocket(qint32 s);

qint32 GetIntOption(qint32 s, int level, int name, qint32& value);
qint32 SetIntOption(qint32 s, int level, int name, qint32 value);
// The largest datagram an IPv4 UDP socket can carry.
qint32 MaxDatagramSize();

qint32 Bind(qint32 s, Endpoint local);
qint32 Listen(qint32 s, int backlog);
// Value is the new socket; it inherits the notifications of the listening socket.
Result Accept(qint32 s, Endpoint& peer);
// Answers 0, or WSAEWOULDBLOCK while the connect is under way: its outcome comes as the connect
// notification, also for a refusal the system reports at once.
qint32 Connect(qint32 s, Endpoint remote);
Result Send(qint32 s, QByteArrayView data);
Result SendTo(qint32 s, QByteArrayView data, Endpoint remote);
Result Recv(qint32 s, char* buffer, qint64 length, bool peek = false);
// A datagram longer than the buffer answers WSAEMSGSIZE with the bytes that fitted in Value.
Result RecvFrom(qint32 s, char* buffer, qint64 length, bool peek, Endpoint& from);
// Bytes waiting (stream) or the size of the next datagram.
Result BytesAvailable(qint32 s);
qint32 GetSockName(qint32 s, Endpoint& local);
qint32 GetPeerName(qint32 s, Endpoint& peer);

// Notifications of the events in mask (FD_*) as msg to window; mask 0 stops them.
qint32 AsyncSelect(qint32 s, QObject* window, quint32 msg, qint32 mask);
// Watches reads again after the owner left a read notification unanswered for a while.
void ArmRead(qint32 s);
// Whether a notification with this ticket still belongs to the watch now on socket s.
bool IsCurrent(qint32 s, quint64 ticket);

// The address of a dotted IPv4 text by the platform's parser; 0xFFFFFFFF (INADDR_NONE) when
// the text is no such address.
quint32 InetAddr(const QString& text);
QString InetNtoa(quint32 address);
// A blocking lookup of name's first IPv4 address (a dotted address is taken as it is).
Result GetHostByName(const QString& name, quint32& address);
qint32 GetHostName(QString& name);

// Starts a lookup whose completion is posted as msg to window; answers its handle (> 0), or 0
// when it cannot start (no window).
qint32 AsyncGetHostByName(const QString& name, QObject* window, quint32 msg);
// Cancels a lookup still under way: true; false when it has already completed (its message may
// be waiting) or is unknown.
bool CancelAsyncRequest(qint32 handle);
// The IPv4 addresses a completed lookup found, handed over once; nullopt when none are kept.
std::optional<QList<quint32>> TakeLookupResult(qint32 handle);
// Forgets the results of completed lookups nobody will take (their messages were dropped).
void DiscardLookupResult(qint32 handle);
void DiscardCompletedLookups();

} // namespace ov::sck
