// The console's side of the log-service conversation (see ServiceConversation.h).
#include "link/ServiceConversation.h"

#include "core/ansi.h"

#include <climits>
#include <cstring>
#include <utility>

namespace {

constexpr qsizetype kTokenLength = 4;
constexpr qsizetype kDataStart = 5; // token, then one separator character

// On a framed connection, separators 'A'..'W' announce chunks of 1 byte .. 4 MiB.
constexpr char kFirstSizeLetter = 'A';
constexpr char kLastSizeLetter = 'W';

constexpr QByteArrayView kTokens[] = {"helo", "cfgk", "cfg!", "logd", "log.",
                                      "disc", "lupd", "logp", "log+"};
// "logp " and its position end at a ';' within this many bytes.
constexpr qsizetype kMaxPosition = 64;

// Whether text starts with the token in any letter case (tokens are ASCII).
bool IsToken(QByteArrayView text, QByteArrayView token) {
    return text.size() >= kTokenLength && qstrnicmp(text.data(), token.data(), kTokenLength) == 0;
}

// Whether text (shorter than a token) is how the token begins, in any letter case.
bool IsTokenStart(QByteArrayView text, QByteArrayView token) {
    return qstrnicmp(text.data(), text.size(), token.data(), text.size()) == 0;
}

// Where the next marker starts in data[from, size), or -1. Its first byte is rare in a log, so
// finding that byte with memchr and comparing the rest is many times quicker than a general
// substring search, which prepares a skip table on every call (one call per line here).
qsizetype FindMarker(const char* data, qsizetype from, qsizetype size) {
    const qsizetype m = kLineBreakMarker.size();
    while (size - from >= m) {
        const void* hit =
            std::memchr(data + from, kLineBreakMarker[0], std::size_t(size - from - m + 1));
        if (hit == nullptr) return -1;
        const qsizetype at = static_cast<const char*>(hit) - data;
        if (std::memcmp(data + at + 1, kLineBreakMarker.data() + 1, std::size_t(m - 1)) == 0)
            return at;
        from = at + 1;
    }
    return -1;
}

} // namespace

QByteArray ExpandLineBreaks(QByteArray text) {
    const qsizetype size = text.size();
    qsizetype read = FindMarker(text.constData(), 0, size);
    if (read < 0) return text;
    // Compact in place: the write position never passes the read position, and the search only
    // looks at bytes not yet overwritten.
    char* data = text.data();
    qsizetype write = read;
    while (read >= 0) {
        data[write++] = '\r';
        data[write++] = '\n';
        const qsizetype from = read + kLineBreakMarker.size();
        const qsizetype next = FindMarker(data, from, size);
        const qsizetype end = next < 0 ? size : next;
        std::memmove(data + write, data + from, std::size_t(end - from));
        write += end - from;
        read = next < 0 ? -1 : end;
    }
    text.truncate(write);
    return text;
}

QByteArrayView ServiceConversation::GetParam(QByteArrayView Data) {
    return Data.size() >= 6 ? Data.sliced(kDataStart) : QByteArrayView();
}

ServiceConversation::ServiceConversation(ConversationHost& host, qsizetype logBufferLimit)
    : m_host(host), m_limit(logBufferLimit) {}

void ServiceConversation::OnConnected() {
    OnDisconnected();
    m_framed = false;
    m_greeted = false;
    m_host.SendText(QStringLiteral("hello"));
}

void ServiceConversation::OnDisconnected() {
    m_position.clear();
    m_nextPosition.clear();
    m_logBuffer = QByteArray();
    m_transfer = Transfer::None;
    m_chunkRemaining = 0;
    m_logRequested = false;
    m_backlog = QByteArray();
}

void ServiceConversation::SendConfiguration() {
    m_position.clear(); // the log may be another one now
    m_host.SendText(QStringLiteral("\\cfg numb=") + m_host.NumBytesText() +
                    QStringLiteral(";logp=") + m_host.LogPathText() + u';');
}

void ServiceConversation::RequestLog() {
    m_logRequested = true;
    m_host.SendText(QStringLiteral("\\ovg"));
}

void ServiceConversation::RequestDisconnect() {
    m_host.SendText(QStringLiteral("exit"));
}

void ServiceConversation::OnDataArrival(QByteArrayView data) {
    if (!m_framed) {
        HandleMessage(data); // the whole arrival is one message
    } else if (m_backlog.isEmpty()) {
        // Usually the arrival is worked off where it lies and only a cut-off end is kept.
        m_backlog = Work(data).toByteArray();
    } else {
        m_backlog.append(data);
        ProcessBacklog();
    }
}

bool ServiceConversation::HasWorkLeft() const {
    return m_framed && !m_backlog.isEmpty() && (m_chunkRemaining > 0 || !IsCutShort(m_backlog));
}

void ServiceConversation::ProcessBacklog() {
    const QByteArray backlog = std::exchange(m_backlog, QByteArray());
    m_backlog = Work(backlog).toByteArray();
}

QByteArrayView ServiceConversation::Work(QByteArrayView rest) {
    // A service that sends faster than the passes take it gets no more room: the backlog is then
    // worked off at once, so it never grows past about kBacklogLimit and one arrival.
    const int share = rest.size() > kBacklogLimit ? INT_MAX : kMessagesPerPass;
    for (int handled = 0; !rest.isEmpty() && m_framed;) {
        if (m_chunkRemaining > 0) {
            rest = TakeChunkText(rest);
            continue;
        }
        if (IsCutShort(rest) || handled == share) break;
        const bool ends = IsToken(rest, "log.") || IsToken(rest, "log+");
        rest = HandleMessage(rest);
        ++handled;
        if (ends) break; // the views have just been rebuilt: let the window breathe
    }
    return m_framed ? rest : QByteArrayView();
}

bool ServiceConversation::IsCutShort(QByteArrayView rest) const {
    if (IsToken(rest, "logp")) // waits for its ';', even when only the token has come
        return !rest.first(qMin(rest.size(), kMaxPosition)).contains(';') &&
               rest.size() < kMaxPosition;
    if (rest.size() == kTokenLength) return IsToken(rest, "logd"); // its separator is to come
    if (rest.size() > kTokenLength) return false;
    for (const QByteArrayView token : kTokens)
        if (IsTokenStart(rest, token)) return true;
    return false;
}

QByteArrayView ServiceConversation::HandleMessage(QByteArrayView rest) {
    const QByteArrayView next =
        rest.size() > kTokenLength && m_framed ? rest.sliced(kTokenLength) : QByteArrayView();
    if (IsToken(rest, "helo")) {
        HandleGreeting(GetParam(rest));
        return {};
    }
    if (IsToken(rest, "cfgk")) {
        m_host.AddLog(QStringLiteral("Configuración correcta"));
        if (!(m_framed && m_logRequested)) RequestLog();
        return next;
    }
    if (IsToken(rest, "cfg!")) {
        m_host.AddLog(QStringLiteral("Error en la configuración"));
        m_logRequested = false; // a refused configuration brings no log
        return next;
    }
    if (IsToken(rest, "logd")) {
        m_host.AddLog(QStringLiteral("Recibiendo paquetes..."));
        if (m_transfer == Transfer::None) {
            m_transfer = Transfer::Receiving;
            m_nextPosition.clear(); // only a position sent with this transfer counts for it
        }
        m_logRequested = false;
        const QByteArrayView data =
            rest.size() > kDataStart ? rest.sliced(kDataStart) : QByteArrayView();
        QByteArrayView after;
        const char separator = rest.size() >= kDataStart ? rest[4] : '\0';
        if (m_framed && separator >= kFirstSizeLetter && separator <= kLastSizeLetter) {
            m_chunkRemaining = qint64(1) << (separator - kFirstSizeLetter);
            after = TakeChunkText(data);
        } else {
            m_chunkRemaining = -1;
            StoreChunkText(data);
        }
        m_host.SendText(QStringLiteral("\\ov!"));
        return after;
    }
    if (IsToken(rest, "log.") || (m_framed && IsToken(rest, "log+"))) {
        EndTransfer(rest[3] == '+');
        return next;
    }
    if (m_framed && IsToken(rest, "logp")) return HandlePosition(rest);
    if (IsToken(rest, "disc")) {
        m_host.CloseConnection();
        return {}; // nothing that came after the goodbye matters
    }
    if (IsToken(rest, "lupd")) {
        LogChanged();
        return next;
    }
    // No known token: the rest of a chunk whose size was not announced, or else noise.
    if (m_transfer != Transfer::None && m_chunkRemaining < 0) StoreChunkText(rest);
    return {};
}

void ServiceConversation::HandleGreeting(QByteArrayView data) {
    // Only the first greeting of a connection can promise framing.
    const bool framed = data.endsWith(kExtensionTag);
    if (framed) data.chop(kExtensionTag.size());
    m_host.AddLog(ov::fromAnsi(data));
    const bool first = !m_greeted;
    m_greeted = true;
    if (framed && first) {
        m_framed = true;
        // and the service tells where each copy ends, so that changes bring only what is new
        if (m_following) m_host.SendText(QStringLiteral("\\ovx"));
    }
    SendConfiguration();
}

QByteArrayView ServiceConversation::HandlePosition(QByteArrayView rest) {
    const qsizetype end = rest.first(qMin(rest.size(), kMaxPosition)).indexOf(';');
    if (end < 0) return {}; // too long to be a position: noise
    m_nextPosition = rest.sliced(kDataStart, qMax<qsizetype>(end - kDataStart, 0)).toByteArray();
    return rest.sliced(end + 1);
}

void ServiceConversation::LogChanged() {
    // A framing service has the request already: repeats of the news ask nothing more.
    if (m_framed && m_logRequested) return;
    m_host.AddLog(QStringLiteral("Cambio del log..."));
    if (m_framed && !m_position.isEmpty() && m_transfer == Transfer::None) {
        // Only what follows the text shown travels.
        m_host.AddLog(QStringLiteral("Pidiendo líneas nuevas..."));
        m_logRequested = true;
        m_host.SendText(QStringLiteral("\\ovt ") + QString::fromLatin1(m_position) + u';');
        return;
    }
    m_host.AddLog(QStringLiteral("Pidiendo actualización..."));
    RequestLog();
}

QByteArrayView ServiceConversation::TakeChunkText(QByteArrayView text) {
    const qsizetype n = qsizetype(qMin<qint64>(m_chunkRemaining, text.size()));
    StoreChunkText(text.first(n));
    m_chunkRemaining -= n;
    return text.sliced(n);
}

void ServiceConversation::StoreChunkText(QByteArrayView text) {
    if (m_transfer == Transfer::Abandoned || text.isEmpty()) return;
    if (text.size() > m_limit - m_logBuffer.size()) {
        m_logBuffer = QByteArray();
        m_transfer = Transfer::Abandoned;
        m_host.AddLog(QStringLiteral("Recepción abandonada: el log supera el límite de %1 bytes")
                          .arg(m_limit));
        return;
    }
    // Grown ahead of append: appending a view past the capacity copies the whole text into a new
    // block, while reserve reallocates, which moves a big block without copying it.
    const qsizetype needed = m_logBuffer.size() + text.size();
    if (needed > m_logBuffer.capacity())
        m_logBuffer.reserve(
            qMax(needed, qMin(m_limit, m_logBuffer.capacity() + m_logBuffer.capacity() / 2)));
    m_logBuffer.append(text);
}

void ServiceConversation::EndTransfer(bool append) {
    // A "log." that ends no transfer and answers no request is a repeat: the view stays.
    if (m_transfer == Transfer::None && !m_logRequested) return;
    m_logRequested = false;
    const bool abandoned = m_transfer == Transfer::Abandoned;
    m_transfer = Transfer::None;
    m_chunkRemaining = 0;
    QByteArray text = abandoned ? QByteArray() : ExpandLineBreaks(std::move(m_logBuffer));
    m_logBuffer = QByteArray();
    const QByteArray position = std::exchange(m_nextPosition, QByteArray());
    m_position = abandoned ? QByteArray() : position;
    if (!append) {
        m_host.AddLog(QStringLiteral("Recepción terminada"));
        if (abandoned) return; // the view keeps the last complete log
        m_host.ShowLogText(std::move(text));
    } else {
        if (abandoned) return;
        const qsizetype lines = text.count("\r\n");
        if (!m_host.AppendLogText(std::move(text), m_limit)) {
            m_position.clear(); // what follows cannot be kept: the next change asks anew
            m_host.AddLog(
                QStringLiteral("Líneas nuevas descartadas: el log superaría el límite de %1 bytes")
                    .arg(m_limit));
            return;
        }
        m_host.AddLog(lines == 1 ? QStringLiteral("Recibida 1 línea nueva")
                                 : QStringLiteral("Recibidas %1 líneas nuevas").arg(lines));
    }
    m_host.RefreshViews();
}
