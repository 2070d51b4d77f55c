// The console's side of the log-service conversation (see ServiceConversation.h).
#include "link/ServiceConversation.h"

#include <cstring>

namespace {

constexpr qsizetype kTokenLength = 4;
constexpr qsizetype kDataStart = 5; // token, then one separator character

// Separators 'A'..'W' announce chunks of 1 .. 4 MiB characters.
constexpr char16_t kFirstSizeLetter = u'A';
constexpr char16_t kLastSizeLetter = u'W';

constexpr QStringView kTokens[] = {u"helo", u"cfgk", u"cfg!", u"logd", u"log.", u"disc", u"lupd"};

bool IsToken(QStringView arrival, QStringView token) {
    return arrival.left(kTokenLength).compare(token, Qt::CaseInsensitive) == 0;
}

} // namespace

QString ExpandLineBreaks(QString text) {
    const qsizetype size = text.size();
    qsizetype read = QStringView(text).indexOf(kLineBreakMarker);
    if (read < 0) return text;
    // Compact in place: the write position never passes the read position, and the search only
    // looks at characters not yet overwritten.
    QChar* data = text.data();
    qsizetype write = read;
    while (read >= 0) {
        data[write++] = u'\r';
        data[write++] = u'\n';
        const qsizetype from = read + kLineBreakMarker.size();
        qsizetype next = QStringView(data + from, size - from).indexOf(kLineBreakMarker);
        const qsizetype end = next < 0 ? size : from + next;
        std::memmove(data + write, data + from, sizeof(QChar) * std::size_t(end - from));
        write += end - from;
        read = next < 0 ? -1 : end;
    }
    text.truncate(write);
    return text;
}

QString ServiceConversation::GetParam(QStringView Data) {
    return Data.size() >= 6 ? Data.mid(kDataStart).toString() : QString();
}

ServiceConversation::ServiceConversation(ConversationHost& host, qsizetype logBufferLimit)
    : m_host(host), m_limit(logBufferLimit) {}

void ServiceConversation::OnConnected() {
    m_logBuffer = QString();
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

void ServiceConversation::OnDataArrival(const QString& data) {
    QString joined;
    QStringView rest(data);
    if (!m_held.isEmpty()) {
        joined = m_held + data;
        m_held.clear();
        rest = joined;
    }
    while (!rest.isEmpty()) {
        if (m_chunkRemaining > 0) {
            rest = TakeChunkText(rest);
        } else if (m_framed && IsCutShort(rest)) {
            m_held = rest.toString();
            break;
        } else {
            rest = HandleMessage(rest);
        }
    }
}

bool ServiceConversation::IsCutShort(QStringView rest) const {
    if (rest.size() == kTokenLength) return IsToken(rest, u"logd"); // its separator is to come
    if (rest.size() > kTokenLength) return false;
    for (const QStringView token : kTokens)
        if (token.startsWith(rest, Qt::CaseInsensitive)) return true;
    return false;
}

QStringView ServiceConversation::HandleMessage(QStringView rest) {
    if (IsToken(rest, u"helo")) {
        m_host.AddLog(GetParam(rest));
        SendConfiguration();
        return {};
    }
    if (IsToken(rest, u"cfgk")) {
        m_host.AddLog(QStringLiteral("Configuración correcta"));
        RequestLog();
        return rest.mid(kTokenLength);
    }
    if (IsToken(rest, u"cfg!")) {
        m_host.AddLog(QStringLiteral("Error en la configuración"));
        return rest.mid(kTokenLength);
    }
    if (IsToken(rest, u"logd")) {
        m_host.AddLog(QStringLiteral("Recibiendo paquetes..."));
        if (m_transfer == Transfer::None) m_transfer = Transfer::Receiving;
        const QStringView data = rest.size() > kDataStart ? rest.mid(kDataStart) : QStringView();
        QStringView after;
        const char16_t separator = rest.size() >= kDataStart ? rest[4].unicode() : u'\0';
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
    if (IsToken(rest, u"log.")) {
        m_host.AddLog(QStringLiteral("Recepción terminada"));
        CompleteTransfer();
        return rest.mid(kTokenLength);
    }
    if (IsToken(rest, u"disc")) {
        m_host.CloseConnection();
        return {}; // nothing that came after the goodbye matters
    }
    if (IsToken(rest, u"lupd")) {
        m_host.AddLog(QStringLiteral("Cambio del log..."));
        m_host.AddLog(QStringLiteral("Pidiendo actualización..."));
        RequestLog();
        return rest.mid(kTokenLength);
    }
    // No known token: the rest of a chunk whose size was not announced, or else noise.
    if (m_transfer != Transfer::None && m_chunkRemaining < 0) StoreChunkText(rest);
    return {};
}

QStringView ServiceConversation::TakeChunkText(QStringView text) {
    const qsizetype n = qsizetype(qMin<qint64>(m_chunkRemaining, text.size()));
    StoreChunkText(text.left(n));
    m_chunkRemaining -= n;
    return text.mid(n);
}

void ServiceConversation::StoreChunkText(QStringView text) {
    if (m_transfer == Transfer::Abandoned || text.isEmpty()) return;
    if (text.size() > m_limit - m_logBuffer.size()) {
        m_logBuffer = QString();
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
    const QString text = ExpandLineBreaks(std::move(m_logBuffer));
    m_logBuffer = QString();
    m_host.ShowLogText(text);
    m_host.RefreshViews();
}
