// The console's side of the log-service conversation (see ServiceConversation.h).
#include "link/ServiceConversation.h"

#include "core/ansi.h"

#include <cstring>

namespace {

constexpr qsizetype kTokenLength = 4;
constexpr qsizetype kDataStart = 5; // token, then one separator character

// Separators 'A'..'W' announce chunks of 1 .. 4 MiB characters.
constexpr char kFirstSizeLetter = 'A';
constexpr char kLastSizeLetter = 'W';

constexpr QByteArrayView kTokens[] = {"helo", "cfgk", "cfg!", "logd", "log.", "disc", "lupd"};

// Whether text starts with the token in any letter case (tokens are ASCII).
bool IsToken(QByteArrayView text, QByteArrayView token) {
    return text.size() >= kTokenLength && qstrnicmp(text.data(), token.data(), kTokenLength) == 0;
}

// Whether text (shorter than a token) is how the token begins, in any letter case.
bool IsTokenStart(QByteArrayView text, QByteArrayView token) {
    return qstrnicmp(text.data(), text.size(), token.data(), text.size()) == 0;
}

} // namespace

QByteArray ExpandLineBreaks(QByteArray text) {
    const qsizetype size = text.size();
    qsizetype read = QByteArrayView(text).indexOf(kLineBreakMarker);
    if (read < 0) return text;
    // Compact in place: the write position never passes the read position, and the search only
    // looks at bytes not yet overwritten.
    char* data = text.data();
    qsizetype write = read;
    while (read >= 0) {
        data[write++] = '\r';
        data[write++] = '\n';
        const qsizetype from = read + kLineBreakMarker.size();
        qsizetype next = QByteArrayView(data + from, size - from).indexOf(kLineBreakMarker);
        const qsizetype end = next < 0 ? size : from + next;
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
    m_logBuffer = QByteArray();
    m_transfer = Transfer::None;
    m_chunkRemaining = 0;
    m_framed = false;
    m_held.clear();
    m_host.SendText(QStringLiteral("hello"));
}

void ServiceConversation::SendConfiguration() {
    m_host.SendText(QStringLiteral("\\cfg numb=") + m_host.NumBytesText() +
                    QStringLiteral(";logp=") + m_host.LogPathText() + u';');
}

void ServiceConversation::RequestLog() {
    m_host.SendText(QStringLiteral("\\ovg"));
}

void ServiceConversation::RequestDisconnect() {
    m_host.SendText(QStringLiteral("exit"));
}

void ServiceConversation::OnDataArrival(QByteArrayView data) {
    QByteArray joined;
    QByteArrayView rest(data);
    if (!m_held.isEmpty()) {
        joined = std::move(m_held);
        joined.append(data);
        m_held.clear();
        rest = joined;
    }
    while (!rest.isEmpty()) {
        if (m_chunkRemaining > 0) {
            rest = TakeChunkText(rest);
        } else if (m_framed && IsCutShort(rest)) {
            m_held = rest.toByteArray();
            break;
        } else {
            rest = HandleMessage(rest);
        }
    }
}

bool ServiceConversation::IsCutShort(QByteArrayView rest) const {
    if (rest.size() == kTokenLength) return IsToken(rest, "logd"); // its separator is to come
    if (rest.size() > kTokenLength) return false;
    for (const QByteArrayView token : kTokens)
        if (IsTokenStart(rest, token)) return true;
    return false;
}

QByteArrayView ServiceConversation::HandleMessage(QByteArrayView rest) {
    if (IsToken(rest, "helo")) {
        m_host.AddLog(ov::fromAnsi(GetParam(rest)));
        SendConfiguration();
        return {};
    }
    if (IsToken(rest, "cfgk")) {
        m_host.AddLog(QStringLiteral("Configuración correcta"));
        RequestLog();
        return rest.sliced(kTokenLength);
    }
    if (IsToken(rest, "cfg!")) {
        m_host.AddLog(QStringLiteral("Error en la configuración"));
        return rest.sliced(kTokenLength);
    }
    if (IsToken(rest, "logd")) {
        m_host.AddLog(QStringLiteral("Recibiendo paquetes..."));
        if (m_transfer == Transfer::None) m_transfer = Transfer::Receiving;
        const QByteArrayView data =
            rest.size() > kDataStart ? rest.sliced(kDataStart) : QByteArrayView();
        QByteArrayView after;
        const char separator = rest.size() >= kDataStart ? rest[4] : '\0';
        if (separator >= kFirstSizeLetter && separator <= kLastSizeLetter) {
            m_framed = true;
            m_chunkRemaining = qint64(1) << (separator - kFirstSizeLetter);
            after = TakeChunkText(data);
        } else {
            m_chunkRemaining = -1;
            StoreChunkText(data);
        }
        m_host.SendText(QStringLiteral("\\ov!"));
        return after;
    }
    if (IsToken(rest, "log.")) {
        m_host.AddLog(QStringLiteral("Recepción terminada"));
        CompleteTransfer();
        return rest.sliced(kTokenLength);
    }
    if (IsToken(rest, "disc")) {
        m_host.CloseConnection();
        return {}; // nothing that came after the goodbye matters
    }
    if (IsToken(rest, "lupd")) {
        m_host.AddLog(QStringLiteral("Cambio del log..."));
        m_host.AddLog(QStringLiteral("Pidiendo actualización..."));
        RequestLog();
        return rest.sliced(kTokenLength);
    }
    // No known token: the rest of a chunk whose size was not announced, or else noise.
    if (m_transfer != Transfer::None && m_chunkRemaining < 0) StoreChunkText(rest);
    return {};
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
    m_logBuffer.append(text);
}

void ServiceConversation::CompleteTransfer() {
    const bool abandoned = m_transfer == Transfer::Abandoned;
    m_transfer = Transfer::None;
    m_chunkRemaining = 0;
    if (abandoned) return; // the view keeps the last complete log
    QByteArray text = ExpandLineBreaks(std::move(m_logBuffer));
    m_logBuffer = QByteArray();
    m_host.ShowLogText(std::move(text));
    m_host.RefreshViews();
}
