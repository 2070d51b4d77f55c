#pragma once
// Cuts the console's unframed byte stream into messages. The console sends each message in one
// piece but TCP may glue several together or split one across reads, so the splitter looks for the
// known message starts ("hello", "\cfg ", "\ovg", "\ov!", "exit"), drops what lies between them
// as noise, and waits for the rest of a message that has not fully arrived.
#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace ov::service {

enum class ClientMessageKind { Hello, Config, RequestLog, Ack, Exit };

struct ClientMessage {
    ClientMessageKind kind;
    // For Config: what follows "\cfg ", through its closing ';' when it had one.
    QByteArray body;
};

class MessageSplitter {
public:
    // A configuration longer than this is not waited for: it is handed on (and refused).
    static constexpr qsizetype kMaxConfigLength = 8192;

    void Append(QByteArrayView bytes);
    // The next complete message, or nothing until more bytes arrive.
    std::optional<ClientMessage> Next();
    // Bytes held back: at most a partial message.
    qsizetype Buffered() const { return m_buffer.size(); }

private:
    std::optional<ClientMessage> TakeConfig();
    QByteArray m_buffer;
};

} // namespace ov::service
