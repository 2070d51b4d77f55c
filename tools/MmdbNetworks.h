#pragma once
// Reads a MaxMind-format (MMDB) city database, IPv4 or IPv6 with the IPv4 space under ::/96,
// into one location per /24 network: the search tree is walked down to depth 24; a /24 that
// the data splits further takes the record covering most of its addresses (records met twice
// count twice; the first met wins a tie; no data only when none of it has data).
// Expected record fields: "country_code", "state1", "city", "latitude", "longitude" (the DB-IP
// layout) or the GeoIP2 layout ("country"/"iso_code", "subdivisions"/0/"names"/"en",
// "city"/"names"/"en", "location"/"latitude", "location"/"longitude").
#include "tools/GeoBuild.h"

#include <QString>
#include <vector>

namespace geobuild {

struct MmdbNetworks {
    std::vector<qint32> networkLocation; // 16,777,216 entries: index into locations or -1
    std::vector<Location> locations;     // one per distinct data record, in address order
};

// False, with the reason in error, when the file cannot be opened or is not a usable database.
bool ReadMmdbNetworks(const QString& path, MmdbNetworks& out, QString& error);

} // namespace geobuild
