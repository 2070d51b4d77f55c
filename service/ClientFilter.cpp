// Matching console addresses against --allow-client (see ClientFilter.h).
#include "service/ClientFilter.h"

namespace ov::service {

std::optional<ClientRange> ParseClientRange(const QString& text) {
    const qsizetype slash = text.indexOf(u'/');
    const QString address = slash < 0 ? text : text.left(slash);
    QHostAddress network;
    // Qt also takes the short forms "10.1" and "10.1.2", which a reader of the unit file would
    // hardly take for 10.0.0.1 and 10.1.0.2: an IPv4 address is four numbers here.
    const bool v6 = address.contains(u':');
    if (!v6 && address.count(u'.') != 3) return std::nullopt;
    if (!network.setAddress(address) || !network.scopeId().isEmpty()) return std::nullopt;
    const int bits = v6 ? 128 : 32;
    if (slash < 0) return ClientRange{network, bits};
    const QString prefixText = text.mid(slash + 1);
    if (prefixText.isEmpty() || prefixText.size() > 3) return std::nullopt;
    for (const QChar c : prefixText)
        if (c < u'0' || c > u'9') return std::nullopt;
    const int prefix = prefixText.toInt();
    if (prefix > bits) return std::nullopt;
    return ClientRange{network, prefix};
}

ClientFilter::ClientFilter(QList<ClientRange> ranges) : m_ranges(std::move(ranges)) {}

bool ClientFilter::Allows(const QHostAddress& peer) const {
    if (m_ranges.isEmpty()) return true;
    QHostAddress address = peer;
    bool mapped = false;
    if (peer.protocol() == QAbstractSocket::IPv6Protocol) {
        const quint32 v4 = peer.toIPv4Address(&mapped);
        if (mapped) address = QHostAddress(v4);
    }
    for (const ClientRange& range : m_ranges)
        if (address.isInSubnet(range.network, range.prefix)) return true;
    return false;
}

} // namespace ov::service
