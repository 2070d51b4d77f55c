// Splitting the console's byte stream into messages (see MessageSplitter.h).
#include "service/MessageSplitter.h"

#include <array>

namespace ov::service {
namespace {

struct Start {
    QByteArrayView text;
    ClientMessageKind kind;
};

constexpr std::array<Start, 7> kStarts = {{
    {"hello", ClientMessageKind::Hello},
    {"\\cfg ", ClientMessageKind::Config},
    {"\\ovg", ClientMessageKind::RequestLog},
    {"\\ov!", ClientMessageKind::Ack},
    {"exit", ClientMessageKind::Exit},
    {"\\ovx", ClientMessageKind::Extend},
    {"\\ovt ", ClientMessageKind::RequestTail},
}};

// Whether `tail` (which runs to the end of what has arrived) is a message start, or the
// beginning of one cut short by the read.
bool BeginsMessage(QByteArrayView tail) {
    if (tail.isEmpty()) return true;
    for (const Start& s : kStarts) {
        if (tail.startsWith(s.text)) return true;
        if (tail.size() < s.text.size() && s.text.startsWith(tail)) return true;
    }
    return false;
}

// The earliest complete start at or after `from`, by position; -1 when none.
qsizetype FindStart(QByteArrayView buffer, qsizetype from, const Start** which,
                    bool backslashOnly = false) {
    qsizetype best = -1;
    for (const Start& s : kStarts) {
        if (backslashOnly && s.text.front() != '\\') continue;
        const qsizetype at = buffer.indexOf(s.text, from);
        if (at >= 0 && (best < 0 || at < best)) {
            best = at;
            *which = &s;
        }
    }
    return best;
}

} // namespace

void MessageSplitter::Append(QByteArrayView bytes) {
    m_buffer.append(bytes);
}

std::optional<ClientMessage> MessageSplitter::Next() {
    for (;;) {
        const Start* start = nullptr;
        const qsizetype at = FindStart(m_buffer, 0, &start);
        if (at < 0) {
            // Noise; keep only an ending that may grow into a start.
            qsizetype keep = 0;
            for (qsizetype n = qMin<qsizetype>(4, m_buffer.size()); n > 0 && keep == 0; --n)
                if (BeginsMessage(QByteArrayView(m_buffer).last(n))) keep = n;
            m_buffer.remove(0, m_buffer.size() - keep);
            return std::nullopt;
        }
        m_buffer.remove(0, at);
        if (start->kind == ClientMessageKind::Config) return TakeConfig();
        if (start->kind == ClientMessageKind::RequestTail) {
            bool dropped = false;
            auto message = TakeTail(&dropped);
            if (dropped) continue;
            return message;
        }
        m_buffer.remove(0, start->text.size());
        return ClientMessage{start->kind, {}};
    }
}

std::optional<ClientMessage> MessageSplitter::TakeTail(bool* dropped) {
    constexpr qsizetype kHead = 5; // "\ovt "
    const QByteArrayView body = QByteArrayView(m_buffer).sliced(kHead);
    const QByteArrayView scanned = body.first(qMin(body.size(), kMaxPositionLength));
    const qsizetype semi = scanned.indexOf(';');
    // A position holds no backslash: one before the ';' is the next message, and this request
    // was cut short.
    const qsizetype slash = scanned.indexOf('\\');
    if (semi >= 0 && (slash < 0 || semi < slash)) {
        ClientMessage message{ClientMessageKind::RequestTail, body.first(semi).toByteArray()};
        m_buffer.remove(0, kHead + semi + 1);
        return message;
    }
    if (slash >= 0 || scanned.size() == kMaxPositionLength) {
        m_buffer.remove(0, kHead); // what follows is looked at again
        *dropped = true;
    }
    return std::nullopt;
}

std::optional<ClientMessage> MessageSplitter::TakeConfig() {
    const QByteArrayView buffer(m_buffer);
    constexpr qsizetype kHead = 5; // "\cfg "
    // The message ends at a ';' after "logp=" that is followed by another message or by the end
    // of what has arrived; a ';' followed by anything else belongs to the path. Until "logp="
    // has come, a well-begun message is waited for.
    qsizetype end = -1;
    qsizetype from = kHead;
    const QByteArrayView body = buffer.sliced(kHead);
    const qsizetype numbEnd = body.indexOf(';');
    const QByteArrayView afterNumb = numbEnd < 0 ? QByteArrayView() : body.sliced(numbEnd + 1);
    constexpr QByteArrayView kNumb = "numb=";
    constexpr QByteArrayView kLogp = "logp=";
    const bool wellBegun = body.startsWith(kNumb) || kNumb.startsWith(body);
    if (wellBegun && numbEnd >= 0 && afterNumb.startsWith(kLogp))
        from = kHead + numbEnd + 1 + kLogp.size();
    else if (wellBegun && (numbEnd < 0 || kLogp.startsWith(afterNumb)))
        from = -1; // still arriving
    for (qsizetype semi = from < 0 ? -1 : buffer.indexOf(';', from); semi >= 0;
         semi = buffer.indexOf(';', semi + 1)) {
        if (BeginsMessage(buffer.sliced(semi + 1))) {
            end = semi + 1;
            break;
        }
    }
    if (end < 0) {
        // Unterminated: a backslash message after it ends it (paths here hold no backslashes);
        // an overlong one is given up; otherwise the rest is still on its way.
        const Start* next = nullptr;
        const qsizetype at = FindStart(buffer, kHead, &next, true);
        if (at >= 0)
            end = at;
        else if (buffer.size() > kHead + kMaxConfigLength)
            end = buffer.size();
        else
            return std::nullopt;
    }
    ClientMessage message{ClientMessageKind::Config, m_buffer.mid(kHead, end - kHead)};
    m_buffer.remove(0, end);
    return message;
}

} // namespace ov::service
