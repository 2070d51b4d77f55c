#include "tools/GeoBuild.h"

#include "core/ansi.h"
#include "geo/CountryTable.h"
#include "geo/GeoDataFormat.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace geobuild {
namespace {

// Letters with no decomposition into a base letter and a mark, and the punctuation place names
// carry (okina, primes, Unicode hyphens), with the nearest character of the code page.
char PlainForm(char32_t c) {
    switch (c) {
    case U'\u0141':
        return 'L'; // Ł
    case U'\u0142':
        return 'l';
    case U'\u0110':
        return 'D'; // Đ (not the Icelandic Ð, which the code page has)
    case U'\u0111':
        return 'd';
    case U'\u0126':
        return 'H';
    case U'\u0127':
        return 'h';
    case U'\u0131':
        return 'i'; // dotless i
    case U'\u0138':
        return 'k';
    case U'\u014A':
        return 'N';
    case U'\u014B':
        return 'n';
    case U'\u0166':
        return 'T';
    case U'\u0167':
        return 't';
    case U'\u0181':
        return 'B';
    case U'\u0253':
        return 'b';
    case U'\u018A':
        return 'D';
    case U'\u0257':
        return 'd';
    case U'\u018F':
        return 'E'; // schwa
    case U'\u0259':
        return 'e';
    case U'\u0190':
        return 'E';
    case U'\u025B':
        return 'e';
    case U'\u018E':
        return 'E';
    case U'\u01DD':
        return 'e';
    case U'\u0197':
        return 'I';
    case U'\u0268':
        return 'i';
    case U'\u019F':
        return 'O';
    case U'\u0275':
        return 'o';
    case U'\u01B1':
        return 'U';
    case U'\u028A':
        return 'u';
    case U'\u01B2':
        return 'V';
    case U'\u028B':
        return 'v';
    case U'\u01B3':
        return 'Y';
    case U'\u01B4':
        return 'y';
    case U'\u01B7':
        return 'Z';
    case U'\u0292':
        return 'z';
    case U'\u02B9':
    case U'\u02BB': // okina
    case U'\u02BC':
    case U'\u02BD':
    case U'\u02BE':
    case U'\u02BF':
    case U'\u02C8':
    case U'\u2032':
        return '\'';
    case U'\u2033':
        return '"';
    case U'\u2010':
    case U'\u2011':
    case U'\u2012':
    case U'\u2212':
        return '-';
    default:
        return 0;
    }
}

// The byte of one character the code page has, 0 when it lacks it.
char AnsiOf(char32_t c) {
    if (c == U'?') return '?';
    if (c > 0xFFFF) return 0;
    const char b = ov::ansiByte(QChar(char16_t(c)));
    return b == '?' ? 0 : b;
}

bool IsMark(char32_t c) {
    return QChar::isMark(c);
}

// A character the code page lacks, through its decomposition: the base letter with the first
// of its accents that the code page can show together with it, or the plain base letter.
QByteArray Decomposed(char32_t c) {
    const QString nfkd = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    const QList<uint> parts = nfkd.toUcs4();
    QByteArray out;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const char32_t base = parts[i];
        if (IsMark(base)) continue;
        char byte = AnsiOf(base);
        if (!byte) byte = PlainForm(base);
        if (!byte) continue;
        for (qsizetype j = i + 1; j < parts.size() && IsMark(parts[j]); ++j) {
            const char32_t pair[2] = {base, char32_t(parts[j])};
            const QList<uint> composed =
                QString::fromUcs4(pair, 2).normalized(QString::NormalizationForm_C).toUcs4();
            if (composed.size() == 1 && AnsiOf(composed[0])) {
                byte = AnsiOf(composed[0]);
                break;
            }
        }
        out += byte;
    }
    return out;
}

struct CityKey {
    QString country, state, city;
    bool operator==(const CityKey& o) const {
        return city == o.city && state == o.state && country == o.country;
    }
};

size_t qHash(const CityKey& k, size_t seed = 0) {
    return qHashMulti(seed, k.country, k.state, k.city);
}

} // namespace

int CountryNumber(QStringView isoCode) {
    QString code = isoCode.toString().toUpper();
    static const QHash<QString, QString> predecessors = {{"RS", "CS"}, {"ME", "CS"}, {"XK", "CS"},
                                                         {"CW", "AN"}, {"SX", "AN"}, {"BQ", "AN"}};
    code = predecessors.value(code, code);
    const auto& rows = CountryRows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (code == QLatin1String(rows[i].Code)) return int(i) + 1;
    return 0;
}

QByteArray Transliterate(QStringView text) {
    const QList<uint> chars = text.toString().normalized(QString::NormalizationForm_C).toUcs4();
    QByteArray out;
    out.reserve(chars.size());
    for (const uint u : chars) {
        const char32_t c = u;
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            out += ' ';
        } else if (IsMark(c)) {
            // An accent left over after composition belongs to a letter the code page has
            // only without it.
        } else if (const char b = AnsiOf(c)) {
            out += b;
        } else if (const char p = PlainForm(c)) {
            out += p;
        } else {
            const QByteArray d = Decomposed(c);
            out += d.isEmpty() ? QByteArray("?") : d;
        }
    }
    return out;
}

QByteArray FixedField(QStringView text, int width) {
    return Transliterate(text.trimmed()).trimmed().left(width).leftJustified(width, ' ');
}

quint32 StoredCoordinate(double degrees, double bias) {
    if (std::isnan(degrees)) return 0;
    const double top = 2 * bias * geodata::kCoordinateScale;
    const double value = std::round((degrees + bias) * geodata::kCoordinateScale);
    return quint32(std::clamp(value, 0.0, top));
}

std::vector<int> NumberCities(const std::vector<quint32>& counts) {
    std::vector<std::size_t> order(counts.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return counts[a] > counts[b]; });
    std::vector<int> numbers(counts.size(), 0);
    for (std::size_t rank = 0; rank < order.size() && rank < geodata::kMaxCityNumber; ++rank)
        numbers[order[rank]] = int(rank) + 1;
    return numbers;
}

QByteArray CityRecordBytes(const Location& location) {
    QByteArray record = FixedField(location.city, geodata::kCityNameSize) +
                        FixedField(location.state, geodata::kStateSize);
    const auto lat = geodata::EncodePacked(
        location.hasCoordinates ? StoredCoordinate(location.latitude, geodata::kLatitudeBias) : 0);
    const auto lon = geodata::EncodePacked(
        location.hasCoordinates ? StoredCoordinate(location.longitude, geodata::kLongitudeBias)
                                : 0);
    record.append(reinterpret_cast<const char*>(lat.data()), 4);
    record.append(reinterpret_cast<const char*>(lon.data()), 4);
    return record;
}

GeoData BuildGeoData(const std::vector<qint32>& networkLocation,
                     const std::vector<Location>& locations) {
    const qint64 networks =
        std::min<qint64>(qint64(networkLocation.size()), geodata::kNetworkCount);
    const auto valid = [&](qint32 li) { return li >= 0 && std::size_t(li) < locations.size(); };

    // How many networks each location covers, and the locations in address order.
    std::vector<quint32> coverage(locations.size(), 0);
    std::vector<qint32> inOrder;
    for (qint64 k = 0; k < networks; ++k) {
        const qint32 li = networkLocation[std::size_t(k)];
        if (!valid(li)) continue;
        if (coverage[std::size_t(li)]++ == 0) inOrder.push_back(li);
    }

    // Cities in order of their first network; each takes the coordinates of its location that
    // covers most networks.
    QHash<CityKey, int> cityIds;
    std::vector<quint32> cityCoverage;
    std::vector<qint32> cityLocation;
    std::vector<int> locationCity(locations.size(), -1);
    std::vector<int> locationCountry(locations.size(), 0);
    QHash<QString, int> countryOf;
    for (const qint32 li : inOrder) {
        const Location& loc = locations[std::size_t(li)];
        const QString code = loc.countryCode.trimmed().toUpper();
        auto country = countryOf.constFind(code);
        if (country == countryOf.cend()) country = countryOf.insert(code, CountryNumber(code));
        locationCountry[std::size_t(li)] = *country;
        const QString city = loc.city.trimmed();
        if (city.isEmpty()) continue;
        const CityKey key{code, loc.state.trimmed(), city};
        auto it = cityIds.constFind(key);
        if (it == cityIds.cend()) {
            it = cityIds.insert(key, int(cityCoverage.size()));
            cityCoverage.push_back(0);
            cityLocation.push_back(li);
        }
        const int id = *it;
        locationCity[std::size_t(li)] = id;
        cityCoverage[std::size_t(id)] += coverage[std::size_t(li)];
        if (coverage[std::size_t(li)] > coverage[std::size_t(cityLocation[std::size_t(id)])])
            cityLocation[std::size_t(id)] = li;
    }
    const std::vector<int> numbers = NumberCities(cityCoverage);

    GeoData out;
    out.citiesNumbered = int(std::min<std::size_t>(numbers.size(), geodata::kMaxCityNumber));
    out.citiesLeftOut = int(numbers.size()) - out.citiesNumbered;
    out.cities = QByteArray(out.citiesNumbered * geodata::kCityRecordSize, ' ');
    for (std::size_t id = 0; id < numbers.size(); ++id) {
        if (numbers[id] == 0) continue;
        const QByteArray record = CityRecordBytes(locations[std::size_t(cityLocation[id])]);
        out.cities.replace((numbers[id] - 1) * geodata::kCityRecordSize, record.size(), record);
    }

    out.networkIndex = QByteArray(geodata::kNetworkFileSize, '\0');
    char* index = out.networkIndex.data();
    for (qint64 k = 0; k < networks; ++k) {
        const qint32 li = networkLocation[std::size_t(k)];
        if (!valid(li)) continue;
        const int country = locationCountry[std::size_t(li)];
        const int id = locationCity[std::size_t(li)];
        const int city = id >= 0 ? numbers[std::size_t(id)] : 0;
        char* record = index + k * geodata::kNetworkRecordSize;
        record[0] = char(country);
        record[1] = char(city & 0xFF);
        record[2] = char(city >> 8);
        out.networksWithCountry += country > 0;
        out.networksWithCity += city > 0;
    }
    return out;
}

} // namespace geobuild
