#include "geo/clsHostIP.h"

#include "core/ansi.h"
#include "geo/CountryTable.h"
#include "geo/GeoDataFormat.h"
#include "geo/PathWatch.h"
#include "geo/RecordFile.h"
#include "settings/pobos.h"

#include <QHash>
#include <array>
#include <optional>

namespace {

// Only spaces surround a part; tabs and other white space do not.
QStringView TrimSpaces(QStringView s) {
    while (!s.isEmpty() && s.front() == u' ')
        s = s.mid(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

// One part of a dotted address: decimal digits (any number of leading zeros), value 0..255.
std::optional<quint8> ParseOctet(QStringView part) {
    part = TrimSpaces(part);
    if (part.isEmpty()) return std::nullopt;
    int value = 0;
    for (const QChar c : part) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 255) return std::nullopt;
    }
    return quint8(value);
}

std::optional<std::array<quint8, 4>> ParseAddress(QStringView text) {
    std::array<quint8, 4> octets{};
    int part = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'.') continue;
        if (part == 4) return std::nullopt; // a fifth part
        const auto octet = ParseOctet(text.mid(start, i - start));
        if (!octet) return std::nullopt;
        octets[part++] = *octet;
        start = i + 1;
    }
    if (part != 4) return std::nullopt;
    return octets;
}

QString FromPadded(const char* bytes, int size) {
    return TrimSpaces(ov::fromAnsi(QByteArrayView(bytes, size))).toString();
}

} // namespace

// The open files, the watch on their paths and the records read through them. All of it is
// dropped whenever the watch reports a change or DatabasePath names another folder, so a record
// kept here is always what the file holds now.
struct clsHostIP::Files {
    Files(const QString& folder, const QString& networkPath, const QString& citiesPath)
        : databasePath(folder), network(networkPath), cities(citiesPath) {}

    // Makes sure what is open and cached still stands for the files at the paths.
    void revalidate() {
        if (!watch.changed()) return;
        network.close();
        cities.close();
        networks.clear();
        cityRecords.clear();
        // Armed before the files are opened again, so a change in between is not missed.
        watch.arm({network.path(), cities.path()});
    }

    QString databasePath; // as set, the folder these files were found in
    RecordFile network;
    RecordFile cities;
    PathWatch watch;
    // The hosts of one diagram, a few thousand at most; the bound only keeps a pathological
    // caller from growing them without end.
    static constexpr qsizetype kMaxKept = 65536;
    QHash<quint32, Network> networks;
    QHash<int, CityRecord> cityRecords;
};

clsHostIP::clsHostIP() {
    const auto& rows = CountryRows();
    m_names.reserve(int(rows.size()));
    m_codes.reserve(int(rows.size()));
    for (const CountryRow& row : rows)
        m_names.append(QString::fromLatin1(row.Name));
    for (const CountryRow& row : rows)
        m_codes.append(QString::fromLatin1(row.Code));
}

clsHostIP::~clsHostIP() = default;

QString clsHostIP::DatabasePath() const {
    return m_DatabasePath;
}
void clsHostIP::setDatabasePath(const QString& path) {
    m_DatabasePath = path;
}
QString clsHostIP::Address() const {
    return m_Address;
}
void clsHostIP::setAddress(const QString& address) {
    m_Address = address;
    const auto octets = ParseAddress(address);
    m_addressValid = octets.has_value();
    if (octets) m_octets = *octets;
}

bool clsHostIP::Available() const {
    const QString folder = AddSlash(m_DatabasePath);
    return FileExists(folder + QLatin1String(geodata::kNetworkFile)) &&
           FileExists(folder + QLatin1String(geodata::kCitiesFile));
}

bool clsHostIP::CheckAddr(const QString& sAddr) const {
    return ParseAddress(sAddr).has_value();
}

clsHostIP::Files& clsHostIP::files() const {
    if (!m_files || m_files->databasePath != m_DatabasePath) {
        const QString folder = AddSlash(m_DatabasePath);
        m_files =
            std::make_unique<Files>(m_DatabasePath, folder + QLatin1String(geodata::kNetworkFile),
                                    folder + QLatin1String(geodata::kCitiesFile));
    }
    m_files->revalidate();
    return *m_files;
}

clsHostIP::Network clsHostIP::readNetwork(Files& f, quint32 number) const {
    if (const auto it = f.networks.constFind(number); it != f.networks.cend()) return *it;
    unsigned char record[geodata::kNetworkRecordSize];
    Network result;
    if (f.network.read(qint64(number) * geodata::kNetworkRecordSize, record, sizeof record)) {
        // Numbers outside the table or the city range name nothing that exists.
        if (record[0] <= geodata::kMaxCountryNumber) result.country = record[0];
        const int city = record[1] + 256 * record[2];
        if (city <= geodata::kMaxCityNumber) result.city = city;
    }
    if (f.networks.size() >= Files::kMaxKept) f.networks.clear();
    f.networks.insert(number, result);
    return result;
}

clsHostIP::CityRecord clsHostIP::readCity(Files& f, int number) const {
    if (const auto it = f.cityRecords.constFind(number); it != f.cityRecords.cend()) return *it;
    char record[geodata::kCityRecordSize];
    CityRecord result;
    if (f.cities.read(qint64(number - 1) * geodata::kCityRecordSize, record, sizeof record)) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(record);
        result.city = FromPadded(record, geodata::kCityNameSize);
        result.state = FromPadded(record + geodata::kCityNameSize, geodata::kStateSize);
        result.latitude =
            geodata::DecodePacked(bytes + geodata::kLatitudeOffset) / geodata::kCoordinateScale;
        result.longitude =
            geodata::DecodePacked(bytes + geodata::kLongitudeOffset) / geodata::kCoordinateScale;
    }
    if (f.cityRecords.size() >= Files::kMaxKept) f.cityRecords.clear();
    f.cityRecords.insert(number, result);
    return result;
}

bool clsHostIP::addressNetwork(Network& out) const {
    if (!m_addressValid) return false;
    out = readNetwork(files(), geodata::NetworkNumber(m_octets[0], m_octets[1], m_octets[2]));
    return true;
}

clsHostIP::CityRecord clsHostIP::addressCity() const {
    if (!m_addressValid) return {};
    // One look at the watch per answer: both records are read from the same state of the files.
    Files& f = files();
    const Network network =
        readNetwork(f, geodata::NetworkNumber(m_octets[0], m_octets[1], m_octets[2]));
    if (network.city <= 0) return {};
    return readCity(f, network.city);
}

QString clsHostIP::Country() const {
    Network network;
    if (!addressNetwork(network) || network.country == 0) return QString();
    return m_names.at(network.country - 1);
}

qint16 clsHostIP::CountryIndex() const {
    Network network;
    if (!addressNetwork(network) || network.country == 0) return -1;
    return qint16(network.country);
}

QString clsHostIP::City() const {
    return addressCity().city;
}
QString clsHostIP::State() const {
    return addressCity().state;
}
double clsHostIP::Latitude() const {
    return addressCity().latitude;
}
double clsHostIP::Longitude() const {
    return addressCity().longitude;
}

QString clsHostIP::CountryName(qint16 cID) const {
    return cID >= 1 && cID <= m_names.size() ? m_names.at(cID - 1) : QString();
}

QString clsHostIP::CountryCode(qint16 cID) const {
    return cID >= 1 && cID <= m_codes.size() ? m_codes.at(cID - 1) : QString();
}

qint16 clsHostIP::CountryCodesCount() const {
    return qint16(m_codes.size());
}
