#include "tools/MmdbNetworks.h"

#include <QFile>
#include <algorithm>
#include <initializer_list>
#include <maxminddb.h>

namespace geobuild {
namespace {

constexpr int kNetworkBits = 24;
constexpr int kAddressBits = 32;

// The value at a path of keys inside a record; has_data is false when the path leads nowhere.
MMDB_entry_data_s ValueAt(MMDB_entry_s entry, std::initializer_list<const char*> keys) {
    const char* path[8] = {};
    int n = 0;
    for (const char* k : keys)
        path[n++] = k;
    MMDB_entry_data_s data{};
    if (MMDB_aget_value(&entry, &data, path) != MMDB_SUCCESS) data.has_data = false;
    return data;
}

bool TextAt(const MMDB_entry_s& entry, std::initializer_list<const char*> keys, QString& out) {
    const MMDB_entry_data_s d = ValueAt(entry, keys);
    if (!d.has_data || d.type != MMDB_DATA_TYPE_UTF8_STRING) return false;
    out = QString::fromUtf8(d.utf8_string, qsizetype(d.data_size));
    return true;
}

bool NumberAt(const MMDB_entry_s& entry, std::initializer_list<const char*> keys, double& out) {
    const MMDB_entry_data_s d = ValueAt(entry, keys);
    if (!d.has_data) return false;
    switch (d.type) {
    case MMDB_DATA_TYPE_FLOAT:
        out = d.float_value;
        return true;
    case MMDB_DATA_TYPE_DOUBLE:
        out = d.double_value;
        return true;
    case MMDB_DATA_TYPE_INT32:
        out = d.int32;
        return true;
    case MMDB_DATA_TYPE_UINT16:
        out = d.uint16;
        return true;
    case MMDB_DATA_TYPE_UINT32:
        out = d.uint32;
        return true;
    default:
        return false;
    }
}

Location Decode(const MMDB_entry_s& entry) {
    Location loc;
    if (!TextAt(entry, {"country_code"}, loc.countryCode))
        TextAt(entry, {"country", "iso_code"}, loc.countryCode);
    if (!TextAt(entry, {"state1"}, loc.state))
        TextAt(entry, {"subdivisions", "0", "names", "en"}, loc.state);
    if (!TextAt(entry, {"city"}, loc.city)) TextAt(entry, {"city", "names", "en"}, loc.city);
    const bool lat = NumberAt(entry, {"latitude"}, loc.latitude) ||
                     NumberAt(entry, {"location", "latitude"}, loc.latitude);
    const bool lon = NumberAt(entry, {"longitude"}, loc.longitude) ||
                     NumberAt(entry, {"location", "longitude"}, loc.longitude);
    loc.hasCoordinates = lat && lon;
    return loc;
}

class TreeWalk {
public:
    TreeWalk(const MMDB_s& db, MmdbNetworks& out)
        : m_db(db), m_out(out), m_locationAt(db.data_section_size, -1) {}

    bool run(QString& error) {
        m_out.networkLocation.assign(std::size_t(1) << kNetworkBits, -1);
        m_out.locations.clear();
        uint64_t node = 0;
        // An IPv6 tree holds the IPv4 space under 96 zero bits.
        if (m_db.metadata.ip_version == 6) {
            for (int bit = 0; bit < 96; ++bit) {
                MMDB_search_node_s n;
                if (MMDB_read_node(&m_db, uint32_t(node), &n) != MMDB_SUCCESS) return fail(error);
                if (n.left_record_type == MMDB_RECORD_TYPE_SEARCH_NODE) {
                    node = n.left_record;
                } else {
                    if (n.left_record_type == MMDB_RECORD_TYPE_DATA)
                        fill(0, std::size_t(1) << kNetworkBits, locationOf(n.left_record_entry));
                    return n.left_record_type != MMDB_RECORD_TYPE_INVALID || fail(error);
                }
            }
        }
        return walk(node, error);
    }

private:
    bool fail(QString& error) {
        error = QStringLiteral("the search tree of the database is damaged");
        return false;
    }

    // In a sound tree every node below the IPv4 root is met once; a damaged one that points
    // back up would otherwise be walked for hours.
    bool read(uint64_t node, MMDB_search_node_s& n) {
        return ++m_reads <= m_db.metadata.node_count &&
               MMDB_read_node(&m_db, uint32_t(node), &n) == MMDB_SUCCESS;
    }

    // The networks below node, whose address starts with depth bits of prefix, left (lower
    // addresses) first, so that locations are numbered in address order.
    bool walk(uint64_t node, QString& error, int depth = 0, uint32_t prefix = 0) {
        MMDB_search_node_s n;
        if (!read(node, n)) return fail(error);
        for (int side = 0; side < 2; ++side) {
            const int type = side ? n.right_record_type : n.left_record_type;
            const uint64_t record = side ? n.right_record : n.left_record;
            const MMDB_entry_s& entry = side ? n.right_record_entry : n.left_record_entry;
            const int below = depth + 1;
            const uint32_t bits = (prefix << 1) | uint32_t(side);
            if (type == MMDB_RECORD_TYPE_INVALID) return fail(error);
            if (type == MMDB_RECORD_TYPE_DATA) {
                const int rest = kNetworkBits - below;
                fill(std::size_t(bits) << rest, std::size_t(1) << rest, locationOf(entry));
            } else if (type == MMDB_RECORD_TYPE_SEARCH_NODE) {
                if (below < kNetworkBits) {
                    if (!walk(record, error, below, bits)) return false;
                } else {
                    std::vector<Share> shares;
                    if (!sharesWithin(record, below, shares, error)) return false;
                    m_out.networkLocation[bits] = largest(shares);
                }
            }
        }
        return true;
    }

    // How many addresses of a split /24 each data record covers, in address order.
    struct Share {
        MMDB_entry_s entry;
        uint32_t addresses;
    };

    bool sharesWithin(uint64_t node, int depth, std::vector<Share>& shares, QString& error) {
        MMDB_search_node_s n;
        if (!read(node, n)) return fail(error);
        for (int side = 0; side < 2; ++side) {
            const int type = side ? n.right_record_type : n.left_record_type;
            const MMDB_entry_s& entry = side ? n.right_record_entry : n.left_record_entry;
            if (type == MMDB_RECORD_TYPE_INVALID) return fail(error);
            if (type == MMDB_RECORD_TYPE_SEARCH_NODE) {
                if (depth + 1 >= kAddressBits) return fail(error); // deeper than an address
                if (!sharesWithin(side ? n.right_record : n.left_record, depth + 1, shares, error))
                    return false;
            } else if (type == MMDB_RECORD_TYPE_DATA) {
                const uint32_t addresses = 1u << (kAddressBits - depth - 1);
                const auto it = std::find_if(shares.begin(), shares.end(), [&](const Share& s) {
                    return s.entry.offset == entry.offset;
                });
                if (it == shares.end())
                    shares.push_back({entry, addresses});
                else
                    it->addresses += addresses;
            }
        }
        return true;
    }

    // The record covering most addresses, the first one on a tie; -1 when none has data.
    qint32 largest(const std::vector<Share>& shares) {
        const Share* best = nullptr;
        for (const Share& s : shares)
            if (!best || s.addresses > best->addresses) best = &s;
        return best ? locationOf(best->entry) : -1;
    }

    // Every leaf of the tree asks this, millions of times for a few hundred thousand records:
    // a table by data offset answers without hashing.
    qint32 locationOf(const MMDB_entry_s& entry) {
        qint32* known = entry.offset < m_locationAt.size() ? &m_locationAt[entry.offset] : nullptr;
        if (known && *known >= 0) return *known;
        const auto li = qint32(m_out.locations.size());
        m_out.locations.push_back(Decode(entry));
        if (known) *known = li;
        return li;
    }

    void fill(std::size_t first, std::size_t count, qint32 li) {
        std::fill_n(m_out.networkLocation.begin() + std::ptrdiff_t(first), count, li);
    }

    const MMDB_s& m_db;
    MmdbNetworks& m_out;
    std::vector<qint32> m_locationAt; // data offset -> location, -1 while not met
    uint64_t m_reads = 0;
};

} // namespace

bool ReadMmdbNetworks(const QString& path, MmdbNetworks& out, QString& error) {
    MMDB_s db{};
    const int status = MMDB_open(QFile::encodeName(path).constData(), MMDB_MODE_MMAP, &db);
    if (status != MMDB_SUCCESS) {
        error = QStringLiteral("cannot read %1: %2")
                    .arg(path, QString::fromUtf8(MMDB_strerror(status)));
        return false;
    }
    bool ok = true;
    if (db.metadata.ip_version != 4 && db.metadata.ip_version != 6) {
        error = QStringLiteral("%1 is neither an IPv4 nor an IPv6 database").arg(path);
        ok = false;
    } else {
        ok = TreeWalk(db, out).run(error);
    }
    MMDB_close(&db);
    return ok;
}

} // namespace geobuild
