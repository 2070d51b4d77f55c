#pragma once
// Which consoles may connect (--allow-client): the addresses and networks the service accepts
// connections from. With no range given, every address may connect.
#include <QHostAddress>
#include <QList>
#include <QString>
#include <optional>

namespace ov::service {

// A network: an address and the number of leading bits that must match it.
struct ClientRange {
    QHostAddress network;
    int prefix = 0;
};

// "ADDR" or "ADDR/PREFIX", IPv4 (dotted quad, prefix 0 to 32) or IPv6 (prefix 0 to 128); a lone
// address stands for itself. Nothing for any other text.
std::optional<ClientRange> ParseClientRange(const QString& text);

class ClientFilter {
public:
    explicit ClientFilter(QList<ClientRange> ranges = {});
    // An IPv4 console reaching a dual-stack listener shows as an IPv4-mapped IPv6 address; it is
    // matched as the IPv4 address it is.
    bool Allows(const QHostAddress& peer) const;

private:
    QList<ClientRange> m_ranges;
};

} // namespace ov::service
