#include "MmdbWriter.h"

#include <QHash>
#include <QtEndian>
#include <bit>
#include <vector>

namespace mmdbtest {
namespace {

// The control byte(s) of a value of this type and size (types above 7 are "extended").
QByteArray Control(int type, quint32 size) {
    QByteArray out;
    const int typeBits = type <= 7 ? type : 0;
    if (size < 29) {
        out += char((typeBits << 5) | int(size));
    } else {
        out += char((typeBits << 5) | 29);
    }
    if (type > 7) out += char(type - 7);
    if (size >= 29) out += char(size - 29); // sizes up to 284 are enough here
    return out;
}

QByteArray Unsigned(int type, quint64 value) {
    QByteArray bytes;
    while (value) {
        bytes.prepend(char(value & 0xFF));
        value >>= 8;
    }
    return Control(type, quint32(bytes.size())) + bytes;
}

QByteArray Encode(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QByteArray utf8 = v.toString().toUtf8();
        return Control(2, quint32(utf8.size())) + utf8;
    }
    case QMetaType::Double: {
        const quint64 bits = qToBigEndian(std::bit_cast<quint64>(v.toDouble()));
        return Control(3, 8) + QByteArray(reinterpret_cast<const char*>(&bits), 8);
    }
    case QMetaType::Float: {
        const quint32 bits = qToBigEndian(std::bit_cast<quint32>(v.toFloat()));
        return Control(15, 4) + QByteArray(reinterpret_cast<const char*>(&bits), 4);
    }
    case QMetaType::Int:
        return Unsigned(6, quint32(v.toInt()));
    case QMetaType::UShort:
        return Unsigned(5, v.value<ushort>());
    case QMetaType::ULongLong:
        return Unsigned(9, v.toULongLong());
    case QMetaType::QVariantList: {
        const QVariantList list = v.toList();
        QByteArray out = Control(11, quint32(list.size()));
        for (const QVariant& item : list)
            out += Encode(item);
        return out;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        QByteArray out = Control(7, quint32(map.size()));
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            out += Encode(it.key()) + Encode(it.value());
        return out;
    }
    default:
        return Control(2, 0);
    }
}

// Build-time trie; a record is empty, another node or a data offset.
struct Record {
    enum Kind { Empty, Node, Data } kind = Empty;
    quint32 value = 0;
};
struct TreeNode {
    Record side[2];
};

} // namespace

QVariantMap CityRecord(const QString& country, const QString& state, const QString& city,
                       double latitude, double longitude) {
    return {{"country_code", country},     {"state1", state},
            {"state2", QString()},         {"city", city},
            {"latitude", float(latitude)}, {"longitude", longitude}};
}

QByteArray WriteMmdb(const QList<Network>& networks, int ipVersion) {
    QByteArray dataSection;
    QHash<QByteArray, quint32> offsetOf;
    std::vector<TreeNode> nodes(1);
    const int lead = ipVersion == 6 ? 96 : 0;

    for (const Network& net : networks) {
        const QByteArray encoded = Encode(net.record);
        auto found = offsetOf.constFind(encoded);
        if (found == offsetOf.cend()) {
            found = offsetOf.insert(encoded, quint32(dataSection.size()));
            dataSection += encoded;
        }
        const Record leaf{Record::Data, *found};
        const int bits = lead + net.prefixLength;
        std::size_t node = 0;
        for (int i = 0; i < bits; ++i) {
            const int bit = i < lead ? 0 : int((net.address >> (31 - (i - lead))) & 1);
            if (i == bits - 1) {
                nodes[node].side[bit] = leaf;
                break;
            }
            Record& r = nodes[node].side[bit];
            if (r.kind != Record::Node) {
                // What stood here now covers both halves of the new node.
                const Record pushed = r;
                nodes.push_back({{pushed, pushed}});
                nodes[node].side[bit] = {Record::Node, quint32(nodes.size() - 1)};
            }
            node = nodes[node].side[bit].value;
        }
    }

    const auto nodeCount = quint32(nodes.size());
    QByteArray tree;
    for (const TreeNode& n : nodes) {
        for (const Record& r : n.side) {
            const quint32 value = r.kind == Record::Node    ? r.value
                                  : r.kind == Record::Empty ? nodeCount
                                                            : nodeCount + 16 + r.value;
            tree += char((value >> 16) & 0xFF);
            tree += char((value >> 8) & 0xFF);
            tree += char(value & 0xFF);
        }
    }

    const QVariantMap metadata = {
        {"binary_format_major_version", QVariant::fromValue(ushort(2))},
        {"binary_format_minor_version", QVariant::fromValue(ushort(0))},
        {"build_epoch", QVariant::fromValue(qulonglong(1700000000))},
        {"database_type", QStringLiteral("Test-City")},
        {"description", QVariantMap{{"en", QStringLiteral("test database")}}},
        {"ip_version", QVariant::fromValue(ushort(ipVersion))},
        {"languages", QVariantList{QStringLiteral("en")}},
        {"node_count", int(nodeCount)},
        {"record_size", QVariant::fromValue(ushort(24))},
    };
    return tree + QByteArray(16, '\0') + dataSection + QByteArray("\xAB\xCD\xEFMaxMind.com") +
           Encode(metadata);
}

} // namespace mmdbtest
