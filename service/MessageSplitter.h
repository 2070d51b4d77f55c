#pragma once
// Cuts the console's unframed byte stream into messages. The console sends each message in one
// piece but TCP may glue several together or split one across reads, so the splitter looks for the
// known message starts ("hello", "\cfg ", "\ovg", "\ov!", "exit", and from consoles that follow a
// growing log "\ovx" and "\ovt POS;"), drops what lies between them as noise, and waits for the
// rest of a message that has not fully arrived.
#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace ov::service {

enum class ClientMessageKind { Hello, Config, RequestLog, Ack, Exit, Extend, RequestTail };

struct ClientMessage {
    ClientMessageKind kind;
    // For Config: what follows "\cfg ", through its closing ';' when it had one. For RequestTail:
    // the position between "\ovt " and ';'.
    QByteArray body;
};

class MessageSplitter {
public:
    // A configuration longer than this is not waited for: it is handed on (and refused).
    static constexpr qsizetype kMaxConfigLength = 8192;
    // A tail request's ';' lies within this many bytes after "\ovt ", or the request is noise.
    static constexpr qsizetype kMaxPositionLength = 64;

    void Append(QByteArrayView bytes);
    // The next complete message, or nothing until more bytes arrive.
    std::optional<ClientMessage> Next();
    // Bytes held back: at most a partial message.
    qsizetype Buffered() const { return m_buffer.size(); }

private:
    std::optional<ClientMessage> TakeConfig();
    // Nothing with `dropped` set when the request at the front is noise.
    std::optional<ClientMessage> TakeTail(bool* dropped);
    QByteArray m_buffer;
};

} // namespace ov::service
