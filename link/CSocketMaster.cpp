#include "link/CSocketMaster.h"

#include "core/raised_error.h"
#include "core/ui_seam.h"
#include "link/SocketApi.h"
#include "link/SocketErrors.h"
#include "link/modSocketMaster.h"

#include <QPointer>
#include <cmath>
#include <limits>
#include <netinet/in.h>
#include <sys/socket.h>

using namespace ov::sck;
using ov::SocketVariant;
using ov::vbByteArray;
using ov::vbEmpty;
using ov::vbString;

namespace {

const QString kSrc = QStringLiteral("CSocketMaster.");
QString src(const char* operation) {
    return kSrc + QLatin1String(operation);
}

// The whole number a numeric argument stands for, rounded half to even as the platform's
// conversion does; nullopt when the argument is not numeric.
std::optional<double> wholeNumber(const SocketVariant& value) {
    const std::optional<double> n = NumericValue(value);
    if (!n) return n;
    return std::nearbyint(*n);
}

qint32 clamp32(qint64 n) {
    return qint32(qMin<qint64>(n, std::numeric_limits<qint32>::max()));
}

// A receive buffer the owner never empties stops growing here; the rest waits in the system
// (whose flow control then slows the peer) until the owner takes data out.
constexpr qsizetype kReceiveBufferLimit = qsizetype(1) << 30;

} // namespace

CSocketMaster::CSocketMaster(QObject* parent) : CSocketMasterEvents(parent) {
    modSocketMaster::InstanceCreated();
}

CSocketMaster::~CSocketMaster() {
    CancelLookups();
    if (m_socketHandle != -1 && !m_adopted) {
        CloseSocket(m_socketHandle);
        try {
            modSocketMaster::UnregisterSocket(m_socketHandle);
        } catch (const ov::RaisedError&) {
            // Nothing can be reported from a destructor; the socket is closed either way.
        }
        m_socketHandle = -1;
    }
    modSocketMaster::InstanceDestroyed(this);
}

void CSocketMaster::raise(qint32 number, const QString& source, const QString& description) {
    throw ov::RaisedError(number, source,
                          description.isNull() ? GetErrorDescription(number) : description);
}

void CSocketMaster::setState(qint32 state) {
    if (state == m_state) return;
    m_state = state;
    emit StateChanged(state);
}

void CSocketMaster::raiseErrorEvent(qint32 number, const QString& source) {
    QString description = GetErrorDescription(number);
    bool cancelDisplay = true;
    emit CSocketMasterEvents::Error(qint16(number), description, 0, source, QString(), 0,
                                    cancelDisplay);
    // Only locals from here: the handler may have destroyed the object.
    if (!cancelDisplay) ov::ui::messageBox(description, source);
}

// ---------------------------------------------------------------------------------------------
// Properties

void CSocketMaster::setRemotePort(qint32 value) {
    if (m_protocol == sckTCPProtocol && m_state != sckClosed)
        raise(sckInvalidOp, src("RemotePort"), kTextInvalidOp);
    if (value < 0 || value > 65535) raise(sckInvalidArg, src("RemotePort"), kTextOutOfRange);
    m_remotePort = value;
}

void CSocketMaster::setRemoteHost(const QString& value) {
    if (m_protocol == sckTCPProtocol && m_state != sckClosed)
        raise(sckInvalidOp, src("RemoteHost"), kTextInvalidOp);
    m_remoteHost = value;
}

qint32 CSocketMaster::LocalPort() const {
    return m_boundPort != 0 ? m_boundPort : m_localPort;
}

void CSocketMaster::setLocalPort(qint32 value) {
    if (m_state != sckClosed) raise(sckInvalidOp, src("LocalPort"), kTextInvalidOp);
    if (value < 0 || value > 65535) raise(sckInvalidArg, src("LocalPort"), kTextOutOfRange);
    m_localPort = value;
}

QString CSocketMaster::LocalHostName() const {
    QString name;
    if (const qint32 rc = GetHostName(name); rc != 0) raise(rc, src("GetLocalHostName"));
    return name;
}

QString CSocketMaster::LocalIP() const {
    if (m_state == sckConnected) return m_localIP;
    QString name;
    if (const qint32 rc = GetHostName(name); rc != 0) raise(rc, src("GetLocalIP"));
    quint32 address = 0;
    if (const Result r = GetHostByName(name, address); !r.ok()) raise(r.Error, src("GetLocalIP"));
    return InetNtoa(address);
}

qint32 CSocketMaster::BytesReceived() const {
    if (m_protocol == sckTCPProtocol) return clamp32(m_recvBuffer.size());
    if (m_socketHandle == -1) return 0;
    const Result r = BytesAvailable(m_socketHandle);
    return r.ok() ? clamp32(r.Value) : 0;
}

void CSocketMaster::setProtocol(qint32 value) {
    if (m_state != sckClosed) raise(sckInvalidOp, src("Protocol"), kTextInvalidOp);
    if (value != sckTCPProtocol && value != sckUDPProtocol)
        raise(sckInvalidArg, src("Protocol"), kTextOutOfRange);
    m_protocol = value;
}

// ---------------------------------------------------------------------------------------------
// Socket creation, options and binding

bool CSocketMaster::SocketExists() {
    if (m_socketHandle != -1) return true;
    const Result r = CreateSocket(m_protocol == sckUDPProtocol);
    if (!r.ok()) {
        setState(sckError);
        raiseErrorEvent(r.Error, src("SocketExists"));
        return false;
    }
    m_socketHandle = qint32(r.Value);
    ProcessOptions();
    modSocketMaster::RegisterSocket(m_socketHandle, this, true);
    return true;
}

void CSocketMaster::ProcessOptions() {
    if (m_protocol == sckTCPProtocol) {
        qint32 recvSize = 0;
        qint32 sendSize = 0;
        qint32 rc = GetIntOption(m_socketHandle, SOL_SOCKET, SO_RCVBUF, recvSize);
        if (rc == 0) rc = GetIntOption(m_socketHandle, SOL_SOCKET, SO_SNDBUF, sendSize);
        if (rc != 0) raise(rc, src("ProcessOptions"));
        // A size of 0 would make the send loop and the reads spin without progress.
        m_recvBufferSize = qMax(recvSize, 1);
        m_sendBufferSize = qMax(sendSize, 1);
    } else {
        if (const qint32 rc = SetIntOption(m_socketHandle, SOL_SOCKET, SO_BROADCAST, 1); rc != 0)
            raise(rc, src("ProcessOptions"));
        m_recvBufferSize = MaxDatagramSize();
        m_sendBufferSize = MaxDatagramSize();
    }
}

void CSocketMaster::BindInternal(const std::optional<SocketVariant>& port,
                                 const std::optional<QString>& address) {
    if (m_state == sckOpen) return;
    const QString source = src("BindInternal");
    qint32 localPort = m_localPort;
    if (port) {
        const std::optional<double> n = wholeNumber(*port);
        if (!n) raise(sckUnsupported, source, kTextUnsupported);
        if (!(*n >= 0 && *n <= 65535)) raise(sckInvalidArg, source, kTextOutOfRange);
        localPort = qint32(*n);
    }
    quint32 localAddress = INADDR_ANY;
    if (address && !address->isEmpty()) {
        if (!GetHostByName(*address, localAddress).ok())
            raise(sckInvalidArg, source, kTextInvalidArgument);
    }
    if (const qint32 rc = ov::sck::Bind(m_socketHandle, {localAddress, quint16(localPort)});
        rc != 0)
        raise(rc, source);
    if (localPort != 0) {
        m_localPort = localPort;
    } else {
        Endpoint local;
        if (const qint32 rc = GetSockName(m_socketHandle, local); rc != 0) raise(rc, source);
        m_boundPort = local.Port;
    }
}

void CSocketMaster::Bind(std::optional<SocketVariant> LocalPort, std::optional<QString> LocalIP) {
    if (m_state != sckClosed) raise(sckInvalidOp, src("Bind"), kTextInvalidOp);
    if (!SocketExists()) return;
    BindInternal(LocalPort, LocalIP);
    setState(sckOpen);
}

void CSocketMaster::Listen() {
    if (m_state != sckClosed && m_state != sckOpen)
        raise(sckInvalidOp, src("Listen"), kTextInvalidOp);
    if (!SocketExists()) return;
    BindInternal();
    if (const qint32 rc = ov::sck::Listen(m_socketHandle, 5); rc != 0) raise(rc, src("Listen"));
    setState(sckListening);
}

// ---------------------------------------------------------------------------------------------
// Connecting

void CSocketMaster::Connect(std::optional<QString> RemoteHost,
                            std::optional<SocketVariant> RemotePort) {
    const QString source = src("Connect");
    if (m_state != sckClosed) raise(sckInvalidOp, source, kTextInvalidOp);
    if (RemoteHost) m_remoteHost = *RemoteHost;
    if (RemotePort) {
        const std::optional<double> n = wholeNumber(*RemotePort);
        if (!n) raise(sckUnsupported, source, kTextUnsupported);
        if (!(*n >= 1 && *n <= 65535)) raise(sckInvalidArg, source, kTextOutOfRange);
        m_remotePort = qint32(*n);
    }
    if (!SocketExists()) return;
    BindInternal();
    if (m_protocol == sckUDPProtocol) {
        setState(sckOpen);
        return;
    }
    ResolveIfHostname();
}

void CSocketMaster::ResolveIfHostname() {
    const quint32 address = InetAddr(m_remoteHost);
    if (address != INADDR_NONE) return ConnectToIP(address, false);
    setState(sckResolvingHost);
    const qint32 handle = AsyncGetHostByName(m_remoteHost, modSocketMaster::MessageWindow(),
                                             modSocketMaster::kResolveMessage);
    if (handle <= 0) {
        setState(sckError);
        raiseErrorEvent(WSATRY_AGAIN, src("ResolveIfHostname"));
        return;
    }
    m_pendingLookups.append(handle);
    modSocketMaster::AddResolveMessage(handle, this);
}

void CSocketMaster::PostResolution(qint32 lookupHandle, qint32 error) {
    // Taking the result frees it whatever happens next.
    const std::optional<QList<quint32>> addresses = TakeLookupResult(lookupHandle);
    const bool wasPending = m_pendingLookups.removeOne(lookupHandle);
    modSocketMaster::RemoveResolveMessage(lookupHandle);
    // A lookup cancelled too late to stop its message is not the one now awaited.
    if (m_state != sckResolvingHost || !wasPending) return;
    if (error == 0 && (!addresses || addresses->isEmpty())) error = WSANO_DATA;
    if (error != 0) {
        setState(sckError);
        raiseErrorEvent(error, src("ConnectToIP"));
        return;
    }
    setState(sckHostResolved);
    ConnectToIP(addresses->first(), true);
}

void CSocketMaster::ConnectToIP(quint32 address, bool insideNotification) {
    setState(sckConnecting);
    const qint32 rc = ov::sck::Connect(m_socketHandle, {address, quint16(m_remotePort)});
    if (rc == 0 || rc == WSAEWOULDBLOCK) return;
    if (rc == WSAEADDRNOTAVAIL && !insideNotification) raise(rc, src("ConnectToIP"));
    // After a lookup no caller is left to catch a raised error; it is reported as an event,
    // and the state says the attempt is over.
    setState(sckError);
    raiseErrorEvent(rc, src("ConnectToIP"));
}

// ---------------------------------------------------------------------------------------------
// Notifications

void CSocketMaster::WndProc(qintptr, quint32 uMsg, qintptr wParam, qintptr lParam) {
    if (uMsg == modSocketMaster::kResolveMessage)
        PostResolution(qint32(wParam), HiWord(lParam));
    else if (uMsg == modSocketMaster::kSocketMessage)
        PostSocket(LoWord(lParam), HiWord(lParam));
}

void CSocketMaster::PostSocket(qint32 event, qint32 error) {
    if (error != 0) {
        setState(sckError);
        raiseErrorEvent(error, src("PostSocket"));
        return;
    }
    switch (event) {
    case FD_READ:
        if (m_protocol == sckTCPProtocol && m_state == sckConnected)
            RecvDataToBuffer();
        else if (m_protocol == sckUDPProtocol && m_state == sckOpen)
            RecvDatagramNotice();
        break;
    case FD_WRITE:
        if (m_state == sckConnected && !m_sendBuffer.isEmpty()) SendBufferedData();
        break;
    case FD_ACCEPT:
        if (m_state == sckListening) AcceptIncoming();
        break;
    case FD_CONNECT:
        if (m_state == sckConnecting) ConnectionEstablished();
        break;
    case FD_CLOSE:
        if (m_state == sckConnected) {
            setState(sckClosing);
            emit CSocketMasterEvents::CloseSck();
        }
        break;
    default:
        break;
    }
}

void CSocketMaster::RecvDataToBuffer() {
    if (m_recvBuffer.size() >= kReceiveBufferLimit) {
        m_readHeld = true;
        return;
    }
    char* tail = m_recvBuffer.reserveTail(m_recvBufferSize);
    const Result r = Recv(m_socketHandle, tail, m_recvBufferSize);
    m_recvBuffer.commitTail(r.ok() ? r.Value : 0);
    if (!r.ok()) {
        if (r.Error == WSAEWOULDBLOCK) return; // a notification that outlived its data
        setState(sckError);
        raiseErrorEvent(r.Error, src("RecvDataToBuffer"));
        return;
    }
    if (r.Value > 0) emit DataArrival(clamp32(m_recvBuffer.size()));
}

void CSocketMaster::RecvDatagramNotice() {
    const QPointer<CSocketMaster> self(this);
    const Result size = BytesAvailable(m_socketHandle);
    const quint64 takenBefore = m_datagramsTaken;
    if (size.ok() && size.Value > 0) {
        emit DataArrival(clamp32(size.Value));
        if (!self) return;
    }
    // The announced datagram leaves the queue unless the handler took it; a datagram behind
    // it is not touched.
    if (m_socketHandle == -1 || m_datagramsTaken != takenBefore) return;
    char discard = 0;
    Endpoint from;
    RecvFrom(m_socketHandle, &discard, 1, false, from);
}

void CSocketMaster::ConnectionEstablished() {
    Endpoint local;
    Endpoint peer;
    qint32 rc = GetSockName(m_socketHandle, local);
    if (rc == 0) rc = GetPeerName(m_socketHandle, peer);
    if (rc != 0) {
        setState(sckError);
        raiseErrorEvent(rc, src("PostSocket"));
        return;
    }
    m_boundPort = local.Port;
    m_localIP = InetNtoa(local.Address);
    m_remotePort = peer.Port;
    m_remoteHostIP = InetNtoa(peer.Address);
    m_remoteHost.clear();
    setState(sckConnected);
    emit CSocketMasterEvents::Connect();
}

void CSocketMaster::AcceptIncoming() {
    Endpoint peer;
    const Result r = ov::sck::Accept(m_socketHandle, peer);
    if (!r.ok()) {
        if (r.Error == WSAEWOULDBLOCK) return; // the connection went away before we took it
        setState(sckError);
        raiseErrorEvent(r.Error, src("PostSocket"));
        return;
    }
    const auto socket = qint32(r.Value);
    auto placeholder = std::make_unique<CSocketMaster>();
    try {
        placeholder->Accept(socket);
    } catch (const ov::RaisedError& e) {
        placeholder.reset();
        CloseSocket(socket);
        raiseErrorEvent(qint32(e.Number), e.Source);
        return;
    }
    modSocketMaster::RegisterAccept(socket, std::move(placeholder));

    const QPointer<CSocketMaster> self(this);
    const qint32 savedPort = m_remotePort;
    const QString savedHostIP = m_remoteHostIP;
    const QString savedHost = m_remoteHost;
    m_remotePort = peer.Port;
    m_remoteHostIP = InetNtoa(peer.Address);
    m_remoteHost = m_remoteHostIP;
    emit ConnectionRequest(socket);
    if (self && m_state == sckListening) {
        m_remotePort = savedPort;
        m_remoteHostIP = savedHostIP;
        m_remoteHost = savedHost;
    }
    // Not taken over by the handler: the connection is refused by closing it.
    if (std::unique_ptr<CSocketMaster> left = modSocketMaster::UnregisterAccept(socket))
        left->CloseSck();
}

// ---------------------------------------------------------------------------------------------
// Accepting

void CSocketMaster::ReadLocalDetails() {
    Endpoint local;
    if (const qint32 rc = GetSockName(m_socketHandle, local); rc != 0) raise(rc, src("Accept"));
    m_boundPort = local.Port;
    m_localIP = InetNtoa(local.Address);
}

void CSocketMaster::Accept(qint32 requestID) {
    const QString source = src("Accept");
    if (m_state != sckClosed) raise(sckInvalidOp, source, kTextInvalidOp);
    m_protocol = sckTCPProtocol;
    m_socketHandle = requestID;
    try {
        ProcessOptions();
    } catch (const ov::RaisedError&) {
        // Not a socket we can use: hold nothing, so a later CloseSck cannot close a stranger.
        m_socketHandle = -1;
        m_sendBufferSize = m_recvBufferSize = 0;
        throw;
    }

    if (std::unique_ptr<CSocketMaster> placeholder = modSocketMaster::UnregisterAccept(requestID)) {
        ReadLocalDetails();
        Endpoint peer;
        if (const qint32 rc = GetPeerName(m_socketHandle, peer); rc == 0) {
            m_remotePort = peer.Port;
            m_remoteHostIP = InetNtoa(peer.Address);
        }
        m_remoteHost.clear();
        setState(sckConnected);
        m_recvBuffer = std::move(placeholder->m_recvBuffer);
        placeholder->m_recvBuffer.clear();
        modSocketMaster::SetSocketOwner(requestID, this);
        const bool peerClosed = placeholder->m_state == sckClosing;
        placeholder->m_socketHandle = -1; // the connection is ours now
        placeholder.reset();

        const QPointer<CSocketMaster> self(this);
        if (!m_recvBuffer.isEmpty()) {
            emit DataArrival(clamp32(m_recvBuffer.size()));
            if (!self) return;
        }
        if (peerClosed && m_socketHandle == requestID) {
            setState(sckClosing);
            emit CSocketMasterEvents::CloseSck();
        }
        return;
    }

    if (!modSocketMaster::IsSocketRegistered(requestID)) {
        m_adopted = true;
        setState(sckConnected);
        ReadLocalDetails();
        modSocketMaster::RegisterSocket(requestID, this, false);
        return;
    }

    m_socketHandle = -1;
    m_sendBufferSize = m_recvBufferSize = 0;
    raise(sckBadState, source, kTextBadState);
}

// ---------------------------------------------------------------------------------------------
// Closing

void CSocketMaster::CancelLookups() {
    for (const qint32 handle : std::as_const(m_pendingLookups))
        if (CancelAsyncRequest(handle)) modSocketMaster::RemoveResolveMessage(handle);
    m_pendingLookups.clear();
}

void CSocketMaster::CloseSck() {
    if (m_socketHandle == -1) return;
    setState(sckClosing);
    CancelLookups();
    if (const qint32 rc = CloseSocket(m_socketHandle); rc != 0) {
        setState(sckError);
        raise(rc, src("DestroySocket"));
    }
    const qint32 closed = m_socketHandle;
    m_socketHandle = -1;
    m_adopted = false; // what is adopted is the socket, and it is gone
    m_readHeld = false;
    m_boundPort = 0;
    m_remoteHostIP.clear();
    m_sendBuffer.clear();
    m_recvBuffer.clear();
    m_sendBufferSize = m_recvBufferSize = 0;
    setState(sckClosed);
    modSocketMaster::UnregisterSocket(closed);
}

// ---------------------------------------------------------------------------------------------
// Sending

void CSocketMaster::SendData(const SocketVariant& Data) {
    const QString source = src("SendData");
    if (m_protocol == sckUDPProtocol) {
        if (!SocketExists()) return;
        if (m_state == sckClosed) {
            BindInternal();
            setState(sckOpen);
        }
    } else if (m_state != sckConnected) {
        raise(sckBadState, source, kTextBadState);
    }
    const std::optional<QByteArray> bytes = VariantToBytes(Data);
    if (!bytes) raise(sckUnsupported, source, kTextUnsupported);
    if (bytes->isEmpty()) return;
    const bool wasEmpty = m_sendBuffer.isEmpty();
    m_sendBuffer.append(*bytes);
    if (!wasEmpty) return;
    if (m_protocol == sckUDPProtocol)
        SendBufferedDataUDP();
    else
        SendBufferedData();
}

void CSocketMaster::SendBufferedData() {
    const QPointer<CSocketMaster> self(this);
    qint64 sent = 0;
    while (m_socketHandle != -1 && !m_sendBuffer.isEmpty()) {
        const Result r = Send(m_socketHandle, m_sendBuffer.front(m_sendBufferSize));
        if (r.ok()) {
            sent += r.Value;
            if (r.Value >= m_sendBuffer.size()) {
                m_sendBuffer.clear();
                emit SendProgress(clamp32(sent), 0);
                if (!self) return;
                emit SendComplete();
                if (!self) return;
                sent = 0;
            } else {
                m_sendBuffer.drop(r.Value);
            }
        } else if (r.Error == WSAEWOULDBLOCK) {
            // The rest goes when the system reports room again (write notification).
            if (sent >= 1) emit SendProgress(clamp32(sent), clamp32(m_sendBuffer.size()));
            return;
        } else {
            setState(sckError);
            raiseErrorEvent(r.Error, src("SendBufferedData"));
            return;
        }
    }
}

void CSocketMaster::SendBufferedDataUDP() {
    const QString source = src("SendBufferedDataUDP");
    quint32 address = 0;
    if (const Result r = GetHostByName(m_remoteHost, address); !r.ok()) {
        m_sendBuffer.clear();
        if (r.Error == WSAEAFNOSUPPORT) raise(r.Error, source);
        raise(sckInvalidArg, source, kTextInvalidArgument);
    }
    const QByteArray datagram = m_sendBuffer.take(m_sendBuffer.size());
    const Result r = SendTo(m_socketHandle, datagram, {address, quint16(m_remotePort)});
    if (!r.ok()) {
        setState(sckError);
        raiseErrorEvent(r.Error, source);
    }
}

// ---------------------------------------------------------------------------------------------
// Taking received data

void CSocketMaster::GetData(SocketVariant& Data, std::optional<qint32> varType,
                            SocketVariant* maxLen) {
    RecvData(Data, varType, maxLen, false);
}

void CSocketMaster::PeekData(SocketVariant& Data, std::optional<qint32> varType,
                             SocketVariant* maxLen) {
    RecvData(Data, varType, maxLen, true);
}

QString CSocketMaster::GetDataText() {
    SocketVariant text = QString();
    GetData(text);
    return std::get<QString>(std::move(text));
}

QByteArray CSocketMaster::GetDataBytes() {
    SocketVariant bytes = QByteArray();
    GetData(bytes);
    return std::get<QByteArray>(std::move(bytes));
}

void CSocketMaster::RecvData(SocketVariant& Data, std::optional<qint32> varType,
                             SocketVariant* maxLen, bool peek) {
    const QString source = src(peek ? "PeekData" : "GetData");
    const bool udp = m_protocol == sckUDPProtocol;
    qint64 available = 0;
    if (udp) {
        if (m_state != sckOpen) raise(sckBadState, source, kTextBadState);
        const Result r = BytesAvailable(m_socketHandle);
        available = r.ok() ? r.Value : 0;
        if (available == 0) return;
    } else {
        const bool allowed = m_state == sckConnected || (!peek && m_adopted);
        if (!allowed) raise(sckBadState, source, kTextBadState);
        available = m_recvBuffer.size();
    }

    std::optional<qint64> limit;
    if (maxLen) {
        const std::optional<double> n = wholeNumber(*maxLen);
        if (!n) {
            *maxLen = clamp32(available);
            limit = available;
        } else {
            if (!(*n >= 0)) raise(sckInvalidArg, source, kTextOutOfRange);
            limit = qint64(qMin(*n, double(available)));
        }
    }

    const qint32 type =
        VarTypeOf(Data) != vbEmpty ? VarTypeOf(Data) : varType.value_or(vbByteArray);
    const QString recvSource = src("RecvData");
    const int fixed = FixedSizeOf(type);
    if (fixed < 0) raise(sckUnsupported, recvSource, kTextUnsupported);

    qint64 count = fixed;
    if (fixed == 0) {
        count = limit ? qMin(*limit, available) : available;
        if (count == 0) {
            Data = type == vbString ? SocketVariant(QString()) : SocketVariant(QByteArray());
            if (udp && maxLen) {
                char discard = 0;
                Endpoint from;
                RecvFrom(m_socketHandle, &discard, 1, false, from);
                ++m_datagramsTaken;
                raise(WSAEMSGSIZE, recvSource);
            }
            return;
        }
    } else if (available < fixed) {
        return;
    }

    if (!udp) {
        const QByteArray bytes =
            peek ? m_recvBuffer.front(count).toByteArray() : m_recvBuffer.take(count);
        Data = BytesToVariant(type, bytes);
        if (m_readHeld && m_recvBuffer.size() < kReceiveBufferLimit) {
            m_readHeld = false;
            ArmRead(m_socketHandle);
        }
        return;
    }

    QByteArray datagram(count, Qt::Uninitialized);
    Endpoint from;
    const Result r = RecvFrom(m_socketHandle, datagram.data(), count, peek, from);
    if (!peek) ++m_datagramsTaken;
    if (r.Value < 0) raise(r.Error, recvSource);
    m_remotePort = from.Port;
    m_remoteHostIP = InetNtoa(from.Address);
    m_remoteHost.clear();
    datagram.truncate(r.Value);
    if (datagram.size() >= qMax(fixed, 1)) Data = BytesToVariant(type, datagram);
    if (!r.ok()) raise(r.Error, recvSource);
}
