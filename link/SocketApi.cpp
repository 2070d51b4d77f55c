#include "link/SocketApi.h"

#include "core/ansi.h"
#include "link/SocketErrors.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QUrl>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace ov::sck {
namespace {

qint32 lastError() {
    return ErrnoToSocketError(errno);
}

bool wouldBlock(int e) {
    return e == EAGAIN || e == EWOULDBLOCK;
}

sockaddr_in toSockaddr(Endpoint ep) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = ep.Address;
    sa.sin_port = htons(ep.Port);
    return sa;
}

Endpoint fromSockaddr(const sockaddr_in& sa) {
    return {sa.sin_addr.s_addr, ntohs(sa.sin_port)};
}

// The asynchronous selection of one socket: where its notifications go and which of them are
// armed. Only the event loop's thread touches it.
struct Watch {
    QPointer<QObject> window;
    quint32 msg = 0;
    qint32 mask = 0;
    quint64 ticket = 0;
    bool udp = false;
    bool readable = false;   // connected, listening or datagram: read readiness means something
    bool connecting = false; // a connect is under way; write readiness ends it
    bool closed = false;     // the close notification went out; reads are no longer watched
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
};

std::unordered_map<qint32, Watch>& watches() {
    static std::unordered_map<qint32, Watch> w;
    return w;
}

quint64 g_nextTicket = 1;

Watch* findWatch(qint32 s) {
    auto& w = watches();
    const auto it = w.find(s);
    return it == w.end() ? nullptr : &it->second;
}

void post(const Watch& w, qint32 s, qint32 event, qint32 error) {
    if (!(w.mask & event) || !w.window) return;
    QCoreApplication::postEvent(
        w.window, new WindowMessage(w.msg, qintptr(s), MakeLParam(event, error), w.ticket));
}

bool isListening(qint32 s) {
    int on = 0;
    socklen_t len = sizeof on;
    return ::getsockopt(s, SOL_SOCKET, SO_ACCEPTCONN, &on, &len) == 0 && on != 0;
}

void armRead(qint32 s) {
    if (Watch* w = findWatch(s); w && w->readable && !w->closed) w->read->setEnabled(true);
}

void armWrite(qint32 s) {
    if (Watch* w = findWatch(s)) w->write->setEnabled(true);
}

void onReadable(qint32 s) {
    Watch* w = findWatch(s);
    if (!w) return;
    w->read->setEnabled(false);
    if (w->udp) return post(*w, s, FD_READ, 0);
    if (isListening(s)) return post(*w, s, FD_ACCEPT, 0);
    // A stream socket: look at what the next read would give without taking it.
    char probe = 0;
    const ssize_t n = ::recv(s, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) return post(*w, s, FD_READ, 0);
    if (n < 0 && (wouldBlock(errno) || errno == EINTR)) return w->read->setEnabled(true);
    w->closed = true;
    post(*w, s, FD_CLOSE, n == 0 ? 0 : lastError());
}

void onWritable(qint32 s) {
    Watch* w = findWatch(s);
    if (!w) return;
    w->write->setEnabled(false);
    if (!w->connecting) return post(*w, s, FD_WRITE, 0);
    w->connecting = false;
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    if (err == 0) {
        w->readable = true;
        w->read->setEnabled(true);
    }
    post(*w, s, FD_CONNECT, err == 0 ? 0 : ErrnoToSocketError(err));
}

// Creates the watch of socket s; notifications start disarmed.
Watch& startWatch(qint32 s, QObject* window, quint32 msg, qint32 mask) {
    Watch& w = watches()[s];
    w.window = window;
    w.msg = msg;
    w.mask = mask;
    w.ticket = g_nextTicket++;
    int type = 0;
    socklen_t len = sizeof type;
    w.udp = ::getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &len) == 0 && type == SOCK_DGRAM;
    sockaddr_in peer{};
    socklen_t plen = sizeof peer;
    const bool connected = ::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &plen) == 0;
    w.readable = w.udp || connected || isListening(s);
    w.read = std::make_unique<QSocketNotifier>(s, QSocketNotifier::Read);
    w.write = std::make_unique<QSocketNotifier>(s, QSocketNotifier::Write);
    w.read->setEnabled(w.readable);
    w.write->setEnabled(false);
    QObject::connect(w.read.get(), &QSocketNotifier::activated, [s] { onReadable(s); });
    QObject::connect(w.write.get(), &QSocketNotifier::activated, [s] { onWritable(s); });
    return w;
}

void stopWatch(qint32 s) {
    watches().erase(s);
}

// Lookups under way (done == false) and completed lookups whose addresses wait to be taken.
struct Lookup {
    bool done = false;
    QList<quint32> addresses;
};

std::unordered_map<qint32, Lookup>& lookups() {
    static std::unordered_map<qint32, Lookup> l;
    return l;
}

qint32 lookupError(const QHostInfo& info, const QList<quint32>& ipv4) {
    switch (info.error()) {
    case QHostInfo::NoError:
        return ipv4.isEmpty() ? WSANO_DATA : 0;
    case QHostInfo::HostNotFound:
        return WSAHOST_NOT_FOUND;
    default:
        return WSATRY_AGAIN;
    }
}

qint32 addrInfoError(int rc) {
    switch (rc) {
    case EAI_NONAME:
        return WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
        return WSATRY_AGAIN;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return WSANO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return WSANO_DATA;
#endif
    case EAI_SYSTEM:
        return lastError();
    default:
        return 11003;
    }
}

// Host names go to the resolver as bytes; an embedded NUL would silently shorten them.
bool hasNul(const QString& text) {
    return text.contains(QChar(0));
}

} // namespace

WindowMessage::WindowMessage(quint32 msg, qintptr wParam, qintptr lParam, quint64 ticket)
    : QEvent(eventType()), Msg(msg), WParam(wParam), LParam(lParam), Ticket(ticket) {}

QEvent::Type WindowMessage::eventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

Result CreateSocket(bool udp) {
    const int fd =
        ::socket(AF_INET, (udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC,
                 udp ? IPPROTO_UDP : IPPROTO_TCP);
    if (fd < 0) return {-1, lastError()};
    return {fd, 0};
}

qint32 CloseSocket(qint32 s) {
    if (s < 0) return ErrnoToSocketError(ENOTSOCK);
    stopWatch(s);
    return ::close(s) == 0 ? 0 : lastError();
}

qint32 GetIntOption(qint32 s, int level, int name, qint32& value) {
    int v = 0;
    socklen_t len = sizeof v;
    if (::getsockopt(s, level, name, &v, &len) != 0) return lastError();
    value = v;
    return 0;
}

qint32 SetIntOption(qint32 s, int level, int name, qint32 value) {
    const int v = value;
    return ::setsockopt(s, level, name, &v, sizeof v) == 0 ? 0 : lastError();
}

qint32 MaxDatagramSize() {
    return 65507;
}

qint32 Bind(qint32 s, Endpoint local) {
    const sockaddr_in sa = toSockaddr(local);
    return ::bind(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0 ? 0 : lastError();
}

qint32 Listen(qint32 s, int backlog) {
    if (::listen(s, backlog) != 0) return lastError();
    if (Watch* w = findWatch(s)) {
        w->readable = true;
        w->read->setEnabled(true);
    }
    return 0;
}

Result Accept(qint32 s, Endpoint& peer) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    const int fd =
        ::accept4(s, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int err = errno;
    armRead(s);
    if (fd < 0) return {-1, ErrnoToSocketError(err)};
    peer = fromSockaddr(sa);
    if (const Watch* w = findWatch(s)) startWatch(fd, w->window, w->msg, w->mask);
    return {fd, 0};
}

qint32 Connect(qint32 s, Endpoint remote) {
    const sockaddr_in sa = toSockaddr(remote);
    const int rc = ::connect(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    const int err = errno;
    Watch* w = findWatch(s);
    if (rc == 0 || err == EINPROGRESS) {
        // The outcome arrives as the connect notification once the socket is writable.
        if (w) {
            w->connecting = true;
            w->write->setEnabled(true);
        }
        return rc == 0 ? 0 : WSAEWOULDBLOCK;
    }
    if (err == ECONNREFUSED && w) {
        // Refused before the call returned: reported like a refusal that had to wait.
        post(*w, s, FD_CONNECT, ErrnoToSocketError(err));
        return WSAEWOULDBLOCK;
    }
    return ErrnoToSocketError(err);
}

Result Send(qint32 s, QByteArrayView data) {
    const ssize_t n = ::send(s, data.data(), size_t(data.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return {n, 0};
    const int err = errno;
    if (wouldBlock(err)) armWrite(s);
    return {-1, ErrnoToSocketError(err)};
}

Result SendTo(qint32 s, QByteArrayView data, Endpoint remote) {
    const sockaddr_in sa = toSockaddr(remote);
    const ssize_t n = ::sendto(s, data.data(), size_t(data.size()), MSG_NOSIGNAL | MSG_DONTWAIT,
                               reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (n >= 0) return {n, 0};
    return {-1, lastError()};
}

Result Recv(qint32 s, char* buffer, qint64 length, bool peek) {
    const ssize_t n = ::recv(s, buffer, size_t(length), MSG_DONTWAIT | (peek ? MSG_PEEK : 0));
    const int err = errno;
    armRead(s);
    if (n >= 0) return {n, 0};
    return {-1, ErrnoToSocketError(err)};
}

Result RecvFrom(qint32 s, char* buffer, qint64 length, bool peek, Endpoint& from) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    const ssize_t n =
        ::recvfrom(s, buffer, size_t(length), MSG_DONTWAIT | MSG_TRUNC | (peek ? MSG_PEEK : 0),
                   reinterpret_cast<sockaddr*>(&sa), &len);
    const int err = errno;
    armRead(s);
    if (n < 0) return {-1, ErrnoToSocketError(err)};
    from = fromSockaddr(sa);
    // MSG_TRUNC makes a datagram socket answer the full length of a longer datagram.
    if (n > length) return {length, WSAEMSGSIZE};
    return {n, 0};
}

Result BytesAvailable(qint32 s) {
    int n = 0;
    if (::ioctl(s, FIONREAD, &n) != 0) return {0, lastError()};
    return {n, 0};
}

qint32 GetSockName(qint32 s, Endpoint& local) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return lastError();
    local = fromSockaddr(sa);
    return 0;
}

qint32 GetPeerName(qint32 s, Endpoint& peer) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getpeername(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return lastError();
    peer = fromSockaddr(sa);
    return 0;
}

qint32 AsyncSelect(qint32 s, QObject* window, quint32 msg, qint32 mask) {
    if (s < 0) return ErrnoToSocketError(ENOTSOCK);
    stopWatch(s);
    if (mask == 0) return 0;
    int type = 0;
    socklen_t len = sizeof type;
    if (::getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &len) != 0) return lastError();
    startWatch(s, window, msg, mask);
    return 0;
}

void ArmRead(qint32 s) {
    armRead(s);
}

bool IsCurrent(qint32 s, quint64 ticket) {
    const Watch* w = findWatch(s);
    return w && w->ticket == ticket;
}

quint32 InetAddr(const QString& text) {
    if (hasNul(text)) return INADDR_NONE;
    return ::inet_addr(ov::toAnsi(text).constData());
}

QString InetNtoa(quint32 address) {
    in_addr a{};
    a.s_addr = address;
    char buf[INET_ADDRSTRLEN] = {};
    return QString::fromLatin1(::inet_ntop(AF_INET, &a, buf, sizeof buf));
}

Result GetHostByName(const QString& name, quint32& address) {
    if (const quint32 a = InetAddr(name); a != INADDR_NONE) {
        address = a;
        return {};
    }
    if (name.isEmpty() || hasNul(name)) return {-1, WSAHOST_NOT_FOUND};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    const int rc = ::getaddrinfo(QUrl::toAce(name).constData(), nullptr, &hints, &res);
    if (rc != 0) return {-1, addrInfoError(rc)};
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(res, &::freeaddrinfo);
    for (const addrinfo* p = res; p; p = p->ai_next) {
        if (p->ai_family == AF_INET) {
            address = reinterpret_cast<const sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
            return {};
        }
    }
    return {-1, WSANO_DATA};
}

qint32 GetHostName(QString& name) {
    char buf[257] = {};
    if (::gethostname(buf, 256) != 0) return lastError();
    name = ov::fromAnsi(QByteArrayView(buf, qstrnlen(buf, 256)));
    return 0;
}

qint32 AsyncGetHostByName(const QString& name, QObject* window, quint32 msg) {
    if (!window) return 0;
    QPointer<QObject> target(window);
    const int id = QHostInfo::lookupHost(name, window, [target, msg](const QHostInfo& info) {
        auto& l = lookups();
        const auto it = l.find(info.lookupId());
        // A cancelled lookup, or a window already gone: nobody waits for it.
        if (it == l.end() || it->second.done || !target) return;
        QList<quint32> ipv4;
        for (const QHostAddress& a : info.addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol)
                ipv4.append(htonl(a.toIPv4Address()));
        it->second.done = true;
        it->second.addresses = ipv4;
        QCoreApplication::postEvent(target,
                                    new WindowMessage(msg, qintptr(info.lookupId()),
                                                      MakeLParam(0, lookupError(info, ipv4))));
    });
    lookups().try_emplace(id);
    return id;
}

bool CancelAsyncRequest(qint32 handle) {
    auto& l = lookups();
    const auto it = l.find(handle);
    if (it == l.end() || it->second.done) return false;
    QHostInfo::abortHostLookup(handle);
    l.erase(it);
    return true;
}

std::optional<QList<quint32>> TakeLookupResult(qint32 handle) {
    auto& l = lookups();
    const auto it = l.find(handle);
    if (it == l.end() || !it->second.done) return std::nullopt;
    QList<quint32> out = std::move(it->second.addresses);
    l.erase(it);
    return out;
}

void DiscardLookupResult(qint32 handle) {
    auto& l = lookups();
    if (const auto it = l.find(handle); it != l.end() && it->second.done) l.erase(it);
}

void DiscardCompletedLookups() {
    std::erase_if(lookups(), [](const auto& e) { return e.second.done; });
}

} // namespace ov::sck
