// libFuzzer target for the console's side of the service conversation (ServiceConversation),
// driven through a host of its own that records what the conversation asks of the window. The
// input is turned into a sequence of arrivals fed to OnDataArrival, with ProcessBacklog called
// between arrivals while HasWorkLeft, as the window's event loop does.
//
// Input layout. Byte 0:
//   bit 0     the greeting announces framing (ends with kExtensionTag)
//   bit 1     the rest describes a well-formed conversation (else it is raw arrivals)
//   bits 2-3  backlog passes between arrivals: 1 none, 2 one, 0 or 3 until no work is left
//   bits 4-7  how a framed well-formed stream is cut into arrivals (see kCutSpans)
// Byte 1 seeds the cut lengths. Raw arrivals are [length - 1][bytes], repeated. A well-formed
// conversation is a list of operations (see generate) whose expected outcome is worked out here
// from how it was built, independently of the conversation's own parsing.
//
// Checked always: the gathered text stays within the cap and is empty outside a transfer, every
// text shown or added is followed by a refresh of the views and holds no line-break marker, the
// position kept stays short, "\ovx" answers a greeting that promises framing, and the backlog is
// worked off in a bounded number of passes once input stops. For a plain service, exactly one
// "\ov!" per arrival that starts with "logd". For a well-formed conversation: one "\ov!" per
// chunk, the shown texts are the transfers' chunks joined with the markers replaced, lines that
// follow ("log+") are added to the text shown while it stays within the cap and are otherwise
// dropped with their message, every transfer beyond the cap is abandoned with its message, and
// the position kept is the one announced for the last transfer that was taken.
// fuzz/conversation.dict holds the tokens.
#include "link/ServiceConversation.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

// Small, so that short inputs reach the cap.
constexpr qsizetype kLimit = 1024;
// A well-formed conversation stops growing at about this many bytes, which keeps every run short
// (a stream cut into one-byte arrivals makes an arrival per byte).
constexpr qsizetype kGeneratedBytes = 4 * kLimit;
// "logp", its separator, the position and ';' fit in this many bytes, or the message is noise.
constexpr qsizetype kMaxPositionMessage = 64;
// Largest arrival of a framed well-formed stream, chosen by bits 4-7 of byte 0.
constexpr qsizetype kCutSpans[] = {1,  2,  3,   4,   5,   7,   8,    13,
                                   16, 64, 100, 256, 512, 999, 4096, qsizetype(1) << 30};
constexpr QByteArrayView kTokens[] = {"helo", "cfgk", "cfg!", "logd", "log.", "disc", "lupd"};
constexpr QByteArrayView kPlainGreeting = "helo Servicio de logs";

void check(bool ok) {
    if (!ok) __builtin_trap();
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether text starts with the token in any letter case.
bool startsWith(QByteArrayView text, QByteArrayView token) {
    if (text.size() < token.size()) return false;
    for (qsizetype i = 0; i < token.size(); ++i)
        if (lower(text[i]) != token[i]) return false;
    return true;
}

bool startsWithAnyToken(QByteArrayView text) {
    for (const QByteArrayView token : kTokens)
        if (startsWith(text, token)) return true;
    return false;
}

// The fuzzer's bytes, read front to back; zeros once they run out.
class Input {
public:
    Input(const uint8_t* data, size_t size)
        : bytes_(reinterpret_cast<const char*>(data), qsizetype(size)) {}
    bool atEnd() const { return pos_ >= bytes_.size(); }
    uint8_t byte() { return atEnd() ? 0 : uint8_t(bytes_[pos_++]); }
    QByteArrayView take(qsizetype n) {
        const QByteArrayView part = bytes_.sliced(pos_).first(qMin(n, bytes_.size() - pos_));
        pos_ += part.size();
        return part;
    }

private:
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
};

// Records what the conversation asks of its owner.
class Host : public ConversationHost {
public:
    ServiceConversation* conversation = nullptr;
    int acks = 0;
    int framingAcks = 0;
    int abandoned = 0;
    int discarded = 0;
    int appends = 0;
    int refreshes = 0;
    int closes = 0;
    QList<QByteArray> shown;
    QByteArray view; // the text the raw view would show

    void SendText(const QString& text) override {
        acks += text == u"\\ov!";
        framingAcks += text == u"\\ovx";
    }
    void AddLog(const QString& text) override {
        abandoned += text.startsWith(u"Recepción abandonada");
        discarded += text.startsWith(u"Líneas nuevas descartadas");
    }
    void ShowLogText(QByteArray text) override {
        CheckText(text);
        view = text;
        shown.append(std::move(text));
    }
    bool AppendLogText(QByteArray text, qsizetype limit) override {
        CheckText(text);
        check(limit == kLimit);
        if (view.size() + text.size() > limit) return false;
        view.append(text);
        ++appends;
        return true;
    }
    // Every earlier text had its views refreshed.
    void CheckText(const QByteArray& text) const {
        check(shown.size() + appends == refreshes);
        check(text.size() <= kLimit && !text.contains(kLineBreakMarker));
    }
    void RefreshViews() override { ++refreshes; }
    // The window drops what the conversation holds when it closes the socket.
    void CloseConnection() override {
        ++closes;
        conversation->OnDisconnected();
    }
    QString NumBytesText() const override { return QStringLiteral("65536"); }
    QString LogPathText() const override { return QStringLiteral("/var/log/apache2/access.log"); }
};

class Driver {
public:
    explicit Driver(int passes) : passes_(passes) {
        host.conversation = &conversation;
        conversation.OnConnected();
    }

    void Arrive(QByteArrayView data) {
        const bool plain = !conversation.Framed();
        const int acks = host.acks, closes = host.closes;
        conversation.OnDataArrival(data);
        fed_ += data.size();
        if (plain) check(host.acks - acks == (startsWith(data, "logd") ? 1 : 0));
        CheckState();
        switch (passes_) {
        case 1: // the next arrival comes before the window's next pass
            break;
        case 2:
            if (conversation.HasWorkLeft()) conversation.ProcessBacklog();
            CheckState();
            break;
        default:
            Drain();
        }
        if (host.closes != closes) conversation.OnConnected(); // the operator connects again
    }

    // Every pass that finds work handles a message of at least four bytes, or ends the work.
    void Drain() {
        for (qsizetype n = 0; conversation.HasWorkLeft(); ++n) {
            check(n <= fed_ / 4 + 2);
            conversation.ProcessBacklog();
            CheckState();
        }
    }

    Host host;
    ServiceConversation conversation{host, kLimit};

private:
    void CheckState() const {
        check(conversation.LogBuffer().size() <= conversation.LogBufferLimit());
        check(conversation.TransferUnderWay() || conversation.LogBuffer().isEmpty());
        check(host.shown.size() + host.appends == host.refreshes);
        check(conversation.Position().size() < kMaxPositionMessage);
    }

    int passes_;
    qsizetype fed_ = 0;
};

// What a well-formed conversation must bring about.
struct Expected {
    int acks = 0;
    int abandoned = 0;
    int discarded = 0;
    int appends = 0;
    QList<QByteArray> shown;
    QByteArray view;
    QByteArray position;
};

// A chunk's text: the source bytes repeated to size, each '\n' written as the service writes a
// line break (so that markers, also cut between chunks, are common).
QByteArray chunkText(QByteArrayView source, qsizetype size) {
    QByteArray text;
    text.reserve(size + kLineBreakMarker.size());
    while (text.size() < size) {
        if (source.isEmpty()) text.append('x');
        for (const char c : source) {
            if (c == '\n')
                text.append(kLineBreakMarker);
            else
                text.append(c);
        }
    }
    text.truncate(size);
    return text;
}

// A plain chunk as the service writes it: "logd", a separator, then the text in pieces of `span`
// bytes, one per arrival. A piece that would begin with a token is the protocol's own ambiguity,
// so such a cut moves on until it does not.
void plainChunk(QList<QByteArray>& arrivals, char separator, const QByteArray& text,
                qsizetype span) {
    qsizetype start = 0;
    for (;;) {
        qsizetype cut = start + span;
        while (cut < text.size() && startsWithAnyToken(QByteArrayView(text).sliced(cut)))
            ++cut;
        const QByteArray piece = text.mid(start, cut - start);
        arrivals.append(start == 0 ? QByteArray("logd").append(separator).append(piece) : piece);
        if (cut >= text.size()) return;
        start = cut;
    }
}

// Builds a well-formed conversation from the input: the messages after the greeting, one per
// arrival for a plain service (chunks cut into pieces), or one stream for a framed one. Each
// operation byte picks: 0 "lupd", 1 "cfgk", 6 the end of a transfer [bit 0: "log+" when framed,
// the rest: the position announced before it], 7 junk between transfers (plain only), else a
// chunk: [size 2^(n % 12)][separator][piece span - 1][source length][source].
Expected generate(Input& in, bool framed, QList<QByteArray>& arrivals, QByteArray& stream) {
    Expected expected;
    QByteArray joined;
    bool open = false;
    qsizetype sent = 0;
    const auto send = [&](QByteArrayView message) {
        sent += message.size();
        if (framed)
            stream.append(message);
        else
            arrivals.append(message.toByteArray());
    };
    // A framed service says where the transfer ends in its file, and may send only the lines
    // that follow the text shown ("log+").
    const auto endTransfer = [&](uint8_t how) {
        const bool tail = framed && (how & 1);
        const QByteArray position = QByteArray::number(how >> 1);
        if (framed) send("logp " + position + ';');
        send(tail ? "log+" : "log.");
        const bool overCap = joined.size() > kLimit;
        const QByteArray text = joined.replace(kLineBreakMarker, "\r\n");
        expected.position = framed ? position : QByteArray();
        if (overCap) {
            ++expected.abandoned;
            expected.position.clear();
        } else if (!tail) {
            expected.shown.append(text);
            expected.view = text;
        } else if (expected.view.size() + text.size() <= kLimit) {
            expected.view.append(text);
            ++expected.appends;
        } else {
            ++expected.discarded;
            expected.position.clear();
        }
        joined.clear();
        open = false;
    };
    while (!in.atEnd() && sent < kGeneratedBytes) {
        switch (in.byte() % 8) {
        case 0:
            send("lupd");
            break;
        case 1:
            send("cfgk");
            break;
        case 6: {
            const uint8_t how = in.byte();
            if (open) endTransfer(how);
            break;
        }
        case 7: {
            QByteArray junk = in.take(1 + in.byte() % 32).toByteArray();
            if (framed || open || junk.isEmpty()) break;
            if (startsWithAnyToken(junk)) junk[0] = '#';
            send(junk);
            break;
        }
        default: {
            const int power = in.byte() % 12;
            const char separator = char(in.byte());
            const qsizetype span = 1 + in.byte();
            const qsizetype chunkSize = qsizetype(1) << power;
            const QByteArray text =
                chunkText(in.take(qMin<qsizetype>(in.byte(), chunkSize)), chunkSize);
            if (framed)
                stream.append("logd").append(char('A' + power)).append(text);
            else
                plainChunk(arrivals, separator, text, span);
            joined.append(text);
            sent += 5 + text.size();
            open = true;
            ++expected.acks;
        }
        }
    }
    if (open) endTransfer(0);
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t mode = in.byte();
    uint32_t seed = in.byte();
    const bool framed = mode & 1;
    Driver driver((mode >> 2) & 3);

    QByteArray greeting = kPlainGreeting.toByteArray();
    if (framed) greeting.append(kExtensionTag);
    driver.Arrive(greeting);
    check(driver.conversation.Framed() == framed && driver.host.framingAcks == int(framed));

    if (!(mode & 2)) {
        while (!in.atEnd())
            driver.Arrive(in.take(1 + in.byte()));
        driver.Drain();
        return 0;
    }

    QList<QByteArray> arrivals;
    QByteArray stream;
    const Expected expected = generate(in, framed, arrivals, stream);
    // A framed stream is cut at lengths drawn from a small generator seeded by byte 1.
    for (qsizetype at = 0; at < stream.size();) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype n =
            1 + qsizetype((seed >> 8) %
                          uint32_t(qMin<qsizetype>(kCutSpans[mode >> 4], stream.size() - at)));
        arrivals.append(stream.mid(at, n));
        at += n;
    }
    for (const QByteArray& arrival : arrivals)
        driver.Arrive(arrival);
    driver.Drain();

    const Host& host = driver.host;
    check(host.closes == 0 && !driver.conversation.TransferUnderWay());
    check(host.acks == expected.acks);
    check(host.abandoned == expected.abandoned && host.discarded == expected.discarded);
    check(host.shown == expected.shown && host.appends == expected.appends);
    check(host.view == expected.view && driver.conversation.Position() == expected.position);
    return 0;
}
