#pragma once
// CSocketMaster: an event-driven, non-blocking TCP or UDP socket with the shape of a classic
// socket control. The owner sets properties and calls operations that return at once; progress
// arrives later as events (Qt signals) from the user-interface event loop. Misuse raises
// ov::RaisedError (number, source "CSocketMaster.<operation>", description); failures found
// while working asynchronously come as the Error event instead.
//
// Events and operations share two names (CloseSck, Connect). The events are declared by the
// base CSocketMasterEvents, so connect to them through it:
//     connect(&wsock, &CSocketMasterEvents::Connect, this, &fMain::wsock_Connect);
// while wsock.Connect(host, port) and wsock.CloseSck() are the operations. Connect the Error
// event directly (its Description and CancelDisplay are references).
//
// Events are raised synchronously; handlers may call back into the object (GetData and
// SendData inside DataArrival, CloseSck inside CloseSck) and may even destroy it.
#include "link/SocketByteQueue.h"
#include "link/SocketVariant.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class CSocketMasterEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // The peer closed a TCP connection gracefully (State is already sckClosing).
    void CloseSck();
    // A TCP connect completed (State is already sckConnected).
    void Connect();
    // A listening socket accepted a connection; requestID is the new socket's handle, to be
    // taken over with Accept inside the handler.
    void ConnectionRequest(qint32 requestID);
    // Received data was added to the buffer; bytesTotal is everything now waiting.
    void DataArrival(qint32 bytesTotal);
    // An asynchronous step failed. Setting CancelDisplay to false shows a message box with
    // Description, titled Source.
    void Error(qint16 Number, QString& Description, qint32 sCode, QString Source, QString HelpFile,
               qint32 HelpContext, bool& CancelDisplay);
    // The send buffer has been emptied.
    void SendComplete();
    // Part or all of the send buffer went out.
    void SendProgress(qint32 bytesSent, qint32 bytesRemaining);
};

class CSocketMaster : public CSocketMasterEvents {
    Q_OBJECT
    Q_PROPERTY(qint32 RemotePort READ RemotePort WRITE setRemotePort)
    Q_PROPERTY(QString RemoteHost READ RemoteHost WRITE setRemoteHost)
    Q_PROPERTY(QString RemoteHostIP READ RemoteHostIP)
    Q_PROPERTY(qint32 LocalPort READ LocalPort WRITE setLocalPort)
    Q_PROPERTY(qint32 State READ State NOTIFY StateChanged)
    Q_PROPERTY(QString LocalHostName READ LocalHostName)
    Q_PROPERTY(QString LocalIP READ LocalIP)
    Q_PROPERTY(qint32 BytesReceived READ BytesReceived)
    Q_PROPERTY(qint32 SocketHandle READ SocketHandle)
    Q_PROPERTY(QString Tag READ Tag WRITE setTag)
    Q_PROPERTY(qint32 Protocol READ Protocol WRITE setProtocol)

public:
    enum StateConstants : qint32 {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };
    enum ProtocolConstants : qint32 { sckTCPProtocol = 0, sckUDPProtocol = 1 };

    explicit CSocketMaster(QObject* parent = nullptr);
    // Cancels pending lookups and closes the socket (an adopted one is left open).
    ~CSocketMaster() override;
    CSocketMaster(const CSocketMaster&) = delete;
    CSocketMaster& operator=(const CSocketMaster&) = delete;

    // Properties. A write that is refused raises and changes nothing.
    qint32 RemotePort() const { return m_remotePort; }
    void setRemotePort(qint32 value); // TCP only while sckClosed (40020); 0..65535 (40014)
    QString RemoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString& value); // TCP only while sckClosed (40020)
    QString RemoteHostIP() const { return m_remoteHostIP; }
    qint32 LocalPort() const;        // the bound port once known, else the wanted one
    void setLocalPort(qint32 value); // only while sckClosed (40020); 0..65535 (40014)
    qint32 State() const { return m_state; }
    QString LocalHostName() const;
    QString LocalIP() const;
    qint32 BytesReceived() const;
    qint32 SocketHandle() const { return m_socketHandle; }
    QString Tag() const { return m_tag; }
    void setTag(const QString& value) { m_tag = value; }
    qint32 Protocol() const { return m_protocol; }
    void setProtocol(qint32 value); // only while sckClosed (40020); TCP or UDP (40014)

    // The entry through which the message window hands over a notification; not for owners.
    void WndProc(qintptr hWnd, quint32 uMsg, qintptr wParam, qintptr lParam);

    // Closes the socket and returns to sckClosed without an event; nothing at all without one.
    void CloseSck();
    // Starts a connection. RemotePort may be any numeric value 1..65535 (text such as "5998"
    // too); a dotted address connects at once, a host name is looked up first.
    void Connect(std::optional<QString> RemoteHost = std::nullopt,
                 std::optional<ov::SocketVariant> RemotePort = std::nullopt);
    // Binds without connecting (sckOpen); LocalIP empty means every local address.
    void Bind(std::optional<ov::SocketVariant> LocalPort = std::nullopt,
              std::optional<QString> LocalIP = std::nullopt);
    // Queues Data's bytes (see ov::sck::VariantToBytes) and starts sending; may raise
    // SendProgress and SendComplete before it returns.
    void SendData(const ov::SocketVariant& Data);
    // A string literal is text.
    template <std::size_t N> void SendData(const char (&Data)[N]) {
        SendData(ov::SocketVariant(QString::fromUtf8(Data, qsizetype(N) - 1)));
    }
    // Takes received bytes into Data, converted to Data's own type, else to varType, else to a
    // byte array. maxLen, when given, limits texts and byte arrays; a maxLen that is not
    // numeric is replaced by the number of bytes available. Fixed-size types with too few
    // bytes available leave Data and the buffer as they are.
    void GetData(ov::SocketVariant& Data, std::optional<qint32> varType = std::nullopt,
                 ov::SocketVariant* maxLen = nullptr);
    // As GetData, but the bytes stay where they are.
    void PeekData(ov::SocketVariant& Data, std::optional<qint32> varType = std::nullopt,
                  ov::SocketVariant* maxLen = nullptr);
    // Everything received, as text of one character per byte; the buffer is left empty.
    QString GetDataText();
    // Everything received, as the bytes themselves; the buffer is left empty.
    QByteArray GetDataBytes();
    void Listen();
    void Accept(qint32 requestID);

signals:
    // Every change of State, for observers (status displays, tests). Unlike the events above it
    // comes in the middle of an operation: a handler must only look, never call the object.
    void StateChanged(qint32 State);

private:
    void setState(qint32 state);
    [[noreturn]] static void raise(qint32 number, const QString& source,
                                   const QString& description = QString());
    void raiseErrorEvent(qint32 number, const QString& source);

    bool SocketExists();
    void ProcessOptions();
    void BindInternal(const std::optional<ov::SocketVariant>& port = std::nullopt,
                      const std::optional<QString>& address = std::nullopt);
    void ResolveIfHostname();
    void ConnectToIP(quint32 address, bool insideNotification);
    void PostResolution(qint32 lookupHandle, qint32 error);
    void PostSocket(qint32 event, qint32 error);
    void RecvDataToBuffer();
    void RecvDatagramNotice();
    void AcceptIncoming();
    void ConnectionEstablished();
    void SendBufferedData();
    void SendBufferedDataUDP();
    void RecvData(ov::SocketVariant& Data, std::optional<qint32> varType, ov::SocketVariant* maxLen,
                  bool peek);
    void CancelLookups();
    void ReadLocalDetails();

    qint32 m_socketHandle = -1;
    qint32 m_state = sckClosed;
    QString m_tag;
    QString m_remoteHost;
    qint32 m_remotePort = 0;
    QString m_remoteHostIP;
    qint32 m_localPort = 0; // wanted; 0 lets the system choose
    qint32 m_boundPort = 0; // what the system chose
    QString m_localIP;
    qint32 m_protocol = sckTCPProtocol;
    qint32 m_sendBufferSize = 0; // system buffer sizes, read when the socket is created
    qint32 m_recvBufferSize = 0;
    ov::sck::ByteQueue m_sendBuffer;
    ov::sck::ByteQueue m_recvBuffer;
    bool m_adopted = false;
    QList<qint32> m_pendingLookups;
    // Reading stopped because the receive buffer is full; GetData starts it again.
    bool m_readHeld = false;
    // Datagrams taken by GetData; tells a datagram notice whether its handler took the datagram.
    quint64 m_datagramsTaken = 0;
};
