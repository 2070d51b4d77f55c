#pragma once
// The pure steps of the geodata builder: from "which location covers each /24 network" to the
// bytes of hostdat.xdb and hostcities.xdb (layout in geo/GeoDataFormat.h). Reading the source
// database is MmdbNetworks' job; writing files is the program's (ovgeobuild.cpp).
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

namespace geobuild {

// What the source database says about one network.
struct Location {
    QString countryCode; // ISO 3166-1 alpha-2, "" when unknown
    QString state;
    QString city; // "" when the network has no city
    double latitude = 0;
    double longitude = 0;
    bool hasCoordinates = false;
};

// Country number of an ISO code: the first row of the country table with that code; for codes
// the table predates, the row of their predecessor (RS, ME, XK -> "CS"; CW, SX, BQ -> "AN");
// otherwise 0. Letter case is ignored.
int CountryNumber(QStringView isoCode);

// The text in the single-byte code page: letters the code page lacks become their base letter
// (accents the code page has are kept), control characters become spaces, and what has no
// Latin form becomes '?'.
QByteArray Transliterate(QStringView text);

// The text as a fixed-width field: transliterated, trimmed, cut to width bytes and padded on
// the right with spaces.
QByteArray FixedField(QStringView text, int width);

// A coordinate as stored: (degrees + bias) * 10,000, rounded, held within 0..2 * bias * 10,000
// (bias 90 for latitude, 180 for longitude). Not-a-number stores 0.
quint32 StoredCoordinate(double degrees, double bias);

// City numbers for cities covering counts[i] /24 networks: 1 for the most, then down, ties in
// the order given; past 32,767 cities the rest get 0.
std::vector<int> NumberCities(const std::vector<quint32>& counts);

// The 83-byte city record.
QByteArray CityRecordBytes(const Location& location);

struct GeoData {
    QByteArray networkIndex; // hostdat.xdb, 50,331,648 bytes
    QByteArray cities;       // hostcities.xdb, 83 bytes per city
    qint64 networksWithCountry = 0;
    qint64 networksWithCity = 0;
    int citiesNumbered = 0;
    int citiesLeftOut = 0; // cities past 32,767
};

// networkLocation[a*65536 + b*256 + c] is the index into locations of the /24 network a.b.c, or
// -1 for none; it has 16,777,216 entries (fewer are treated as -1). A city is one (country,
// state, city name); its record takes the coordinates of the location that covers most of its
// networks (the first one on a tie). The result depends on nothing but the input.
GeoData BuildGeoData(const std::vector<qint32>& networkLocation,
                     const std::vector<Location>& locations);

} // namespace geobuild
