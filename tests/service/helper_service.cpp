// Shared pieces of the log-service tests (see helper_service.h).
#include "helper_service.h"

#include "core/ansi.h"
#include "link/CSocketMaster.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace servicetest {

QString ProgramPath(const QString& name) {
    return QStringLiteral(OV_BIN_DIR "/") + name;
}

ServiceProcess::ServiceProcess(const QStringList& args, const QStringList& environment) {
    m_process.setEnvironment(QProcess::systemEnvironment() + environment);
    m_process.start(ProgramPath(QStringLiteral("ovservice")),
                    QStringList{QStringLiteral("--port"), QStringLiteral("0")} + args);
    if (!m_process.waitForStarted(kWaitMs)) return;
    const QDeadlineTimer deadline(kWaitMs);
    while (!m_process.canReadLine() && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(100);
    const QString line = QString::fromLatin1(m_process.readLine()).trimmed();
    const auto match = QRegularExpression(QStringLiteral("^listening on (\\d+)$")).match(line);
    if (match.hasMatch()) m_port = quint16(match.captured(1).toUInt());
}

ServiceProcess::~ServiceProcess() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(kWaitMs)) m_process.kill();
    m_process.waitForFinished(kWaitMs);
}

QString ServiceProcess::Log() {
    m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
    return m_log;
}

RawClient::RawClient(quint16 port) : m_socket(std::make_unique<QTcpSocket>()) {
    m_socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    m_socket->waitForConnected(kWaitMs);
}

RawClient::~RawClient() = default;

bool RawClient::Connected() const {
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void RawClient::Send(const QByteArray& bytes) {
    m_socket->write(bytes);
    m_socket->flush();
}

QByteArray RawClient::Take(qsizetype n) {
    const QDeadlineTimer deadline(kWaitMs);
    while (m_received.size() < n && !deadline.hasExpired()) {
        m_received += m_socket->readAll();
        if (m_received.size() < n && !m_socket->waitForReadyRead(100) &&
            m_socket->state() != QAbstractSocket::ConnectedState)
            break;
    }
    m_received += m_socket->readAll();
    const QByteArray out = m_received.left(n);
    m_received.remove(0, out.size());
    return out;
}

QByteArray RawClient::TakeTransfer(int* chunks, qint64* total) {
    const Received r = TakeReceived(total != nullptr);
    *chunks = r.end == "log." && r.position.isEmpty() ? r.chunks : -1;
    if (total) *total = r.total;
    return r.text;
}

Received RawClient::TakeReceived(bool countOnly, const std::function<void(int)>& onChunk) {
    constexpr qsizetype kMaxPosition = 64;
    Received r;
    for (;;) {
        const QByteArray head = Take(4);
        if (head == "lupd" && r.chunks == 0 && r.position.isEmpty()) {
            ++r.updates;
            continue;
        }
        if (head == "log." || head == "log+") {
            r.end = head;
            return r;
        }
        if (head == "logp" && r.position.isEmpty() && Take(1) == " ") {
            for (QByteArray c = Take(1); c != ";" && !c.isEmpty(); c = Take(1))
                r.position += c;
            if (!r.position.isEmpty() && r.position.size() <= kMaxPosition) continue;
        }
        const QByteArray letter = head == "logd" ? Take(1) : QByteArray();
        if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'W' || !r.position.isEmpty()) {
            r.chunks = -1;
            return r;
        }
        const QByteArray data = Take(qsizetype(1) << (letter[0] - 'A'));
        r.total += data.size();
        if (!countOnly) r.text += data;
        ++r.chunks;
        if (onChunk) onChunk(r.chunks);
        Send("\\ov!");
    }
}

QByteArray RawClient::TakeAfterUpdates(qsizetype size) {
    QByteArray head = Take(4);
    while (head == "lupd")
        head = Take(4);
    return head + Take(size - head.size());
}

bool RawClient::WaitClosed() {
    const QDeadlineTimer deadline(kWaitMs);
    while (m_socket->state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        m_received += m_socket->readAll();
        m_socket->waitForReadyRead(100);
    }
    return m_socket->state() == QAbstractSocket::UnconnectedState;
}

void RawClient::Abort() {
    m_socket->abort();
}

WiredConsole::WiredConsole() : Conversation(*this), m_socket(std::make_unique<CSocketMaster>()) {
    CSocketMaster* sock = m_socket.get();
    connect(sock, &CSocketMasterEvents::Connect, this, [this] { Conversation.OnConnected(); });
    connect(sock, &CSocketMasterEvents::DataArrival, this,
            [this](qint32) { Conversation.OnDataArrival(m_socket->GetDataBytes()); });
    connect(sock, &CSocketMasterEvents::CloseSck, this, [this] { CloseConnection(); });
    connect(sock, &CSocketMasterEvents::Error, this,
            [this](qint16 number, QString& description, qint32, QString source, QString, qint32,
                   bool&) {
                Errors << QStringLiteral("%1 %2 %3").arg(number).arg(description, source);
                emit Changed();
            });
}

WiredConsole::~WiredConsole() = default;

void WiredConsole::ConnectTo(quint16 port) {
    m_socket->Connect(QStringLiteral("127.0.0.1"), ov::SocketVariant(qint32(port)));
}

bool WiredConsole::IsConnected() const {
    return m_socket->State() == CSocketMaster::sckConnected;
}

void WiredConsole::SendText(const QString& text) {
    m_socket->SendData(text);
}

void WiredConsole::CloseConnection() {
    m_socket->CloseSck();
    ++Closes;
    emit Changed();
}

bool WaitFor(std::initializer_list<WiredConsole*> consoles, const std::function<bool()>& done,
             int ms) {
    if (done()) return true;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (WiredConsole* console : consoles)
        QObject::connect(console, &WiredConsole::Changed, &loop, [&] {
            if (done()) loop.quit();
        });
    limit.start(ms);
    loop.exec();
    return done();
}

QByteArray ExpectedView(const QByteArray& fileBytes) {
    QByteArray text = fileBytes;
    text.replace("\r\n", "\n");
    text.replace("\n", "\r\n");
    return text;
}

QByteArray Marked(const QByteArray& fileBytes) {
    QByteArray text = fileBytes;
    return text.replace("\r\n", "\n").replace("\n", "<|br\\>");
}

quint64 ReferenceFnv1a(const QByteArray& bytes) {
    quint64 hash = 14695981039346656037ULL;
    for (const char c : bytes)
        hash = (hash ^ quint8(c)) * 1099511628211ULL;
    return hash;
}

QByteArray ExpectedPosition(const QString& path, qint64 length) {
    struct stat st {};
    QFile file(path);
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !file.open(QIODevice::ReadOnly))
        return {};
    QByteArray hashed;
    for (quint64 value : {quint64(st.st_dev), quint64(st.st_ino)})
        for (int i = 0; i < 8; ++i, value >>= 8)
            hashed += char(value & 0xff);
    const qint64 from = qMax<qint64>(0, length - 4096);
    if (!file.seek(from)) return {};
    hashed += file.read(length - from);
    return QByteArray::number(length) + ':' +
           QByteArray::number(ReferenceFnv1a(hashed), 16).rightJustified(16, '0');
}

} // namespace servicetest
