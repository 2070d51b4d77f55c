// The geodata builder as the set-up runs it: ovgeobuild on a MaxMind-format database the test
// writes itself, its files read back through clsHostIP (splits, overrides and ties of the
// database's networks, both record layouts, successor states, names in the single-byte code page,
// rounded coordinates), its command line and exit codes; the same networks from an IPv6 tree;
// and the steps' bounds.
#include "geo/GeoDataFormat.h"
#include "geo/clsHostIP.h"
#include "tools/GeoBuild.h"
#include "tools/MmdbNetworks.h"

#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <bit>

using namespace geobuild;

// Small MaxMind-format (MMDB, binary format 2) databases, since libmaxminddb only reads them: a
// search tree of 24-bit records, a data section and the metadata, following the published
// format. Values: QString -> UTF-8 string, double, float, int -> uint32, QVariantMap -> map,
// QVariantList -> array. Later networks inside earlier ones override that part of them; equal
// records share one place in the data section; ipVersion 6 puts the IPv4 networks under ::/96.
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

struct Network {
    quint32 address; // IPv4, host order
    int prefixLength;
    QVariantMap record;
};

// A DB-IP style record.
QVariantMap CityRecord(const QString& country, const QString& state, const QString& city,
                       double latitude, double longitude) {
    return {{"country_code", country},     {"state1", state},
            {"state2", QString()},         {"city", city},
            {"latitude", float(latitude)}, {"longitude", longitude}};
}

QByteArray WriteMmdb(const QList<Network>& networks, int ipVersion = 4) {
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

} // namespace
} // namespace mmdbtest

namespace {

quint32 Ip(int a, int b, int c) {
    return quint32(a) << 24 | b << 16 | c << 8;
}

// Where the networks of the sample overlap, the record covering most of a /24's addresses wins
// it (a record met twice counts twice; the first one wins a tie; no data only when none has data).
QList<mmdbtest::Network> SampleNetworks() {
    using mmdbtest::CityRecord;
    const QVariantMap paris = CityRecord("FR", "Ile-de-France", "Paris", 48.8566, 2.3522),
                      berlin = CityRecord("DE", "Berlin", "Berlin", 52.52, 13.405),
                      lodz = CityRecord("PL", "Łódzkie", "Łódź", 51.7592, 19.456),
                      lisbon = CityRecord("PT", "Lisbon", "Lisbon", 38.7223, -9.1393);
    const QVariantMap london{
        // the GeoIP2 layout
        {"country", QVariantMap{{"iso_code", "GB"}}},
        {"city", QVariantMap{{"names", QVariantMap{{"en", "London"}}}}},
        {"subdivisions", QVariantList{QVariantMap{{"names", QVariantMap{{"en", "England"}}}}}},
        {"location", QVariantMap{{"latitude", 51.5072}, {"longitude", -0.1276}}}};
    return {
        {Ip(1, 0, 0), 8, CityRecord("AU", "Queensland", "Brisbane", -27.4698, 153.0251)},
        {Ip(1, 2, 3), 24, paris},  // a hole cut into the /8
        {Ip(2, 3, 5), 25, berlin}, // Berlin twice (192 addresses) against Munich (64)
        {Ip(2, 3, 5) | 128, 26, CityRecord("DE", "Bavaria", "Munich", 48.1351, 11.582)},
        {Ip(2, 3, 5) | 192, 26, berlin},
        {Ip(2, 3, 6), 26, lodz}, // Lodz first with 64, Lisbon 128 in two pieces
        {Ip(2, 3, 6) | 64, 26, lisbon},
        {Ip(2, 3, 6) | 128, 26, lisbon},
        {Ip(2, 3, 7) | 64, 26, CityRecord("RS", "Beograd", "Beograd", 44.7866, 20.4489)},
        {Ip(2, 3, 8), 25, lodz}, // a tie goes to the lower half
        {Ip(2, 3, 8) | 128, 25, lisbon},
        {Ip(4, 4, 4) | 4, 32, CityRecord("US", "California", "Mountain View", 37.3861, -122.0839)},
        {Ip(4, 4, 5), 24, CityRecord("US", "California", "Mountain View", 37.40, -122.08)},
        {Ip(4, 4, 6), 24, CityRecord("US", "California", "Mountain View", 37.40, -122.08)},
        {Ip(5, 0, 0), 16, {{"country_code", "NZ"}}},
        {Ip(5, 1, 0), 16, CityRecord("ME", "", "Podgorica", 42.4304, 19.2594)},
        {Ip(6, 0, 0), 24, london},
        {Ip(255, 255, 255), 24, CityRecord("SS", "Central Equatoria", "Juba", 4.85, 31.58)}};
}

struct Run {
    int exitCode = -1;
    QString output; // standard output and error
};

Run runBuilder(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(OV_BIN_DIR "/ovgeobuild"), args);
    if (!p.waitForFinished(300000)) { // a full-size build takes seconds; this stops a hung one
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
            QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError())};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

class TestGeoBuild : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(writeAll(dir_.filePath("sample.mmdb"), mmdbtest::WriteMmdb(SampleNetworks())));
        QVERIFY(writeAll(dir_.filePath("junk.mmdb"), QByteArray(1000, 'j')));
    }

    // Built twice into byte-identical files, which answer as the database says.
    void sampleBuilt() {
        const QString first = dir_.filePath("one/geodata"), second = dir_.filePath("two");
        const Run r = runBuilder({dir_.filePath("sample.mmdb"), first});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.output.contains("12 locations"), qPrintable(r.output));
        QCOMPARE(runBuilder({dir_.filePath("sample.mmdb"), second}).exitCode, 0);
        for (const char* file : {"/hostdat.xdb", "/hostcities.xdb"})
            QVERIFY(readAll(first + file) == readAll(second + file));
        QCOMPARE(readAll(first + "/hostdat.xdb").size(), 50331648);
        clsHostIP host;
        host.setDatabasePath(first);
        // address, country, city, state, latitude and longitude as given (the files keep them
        // offset by 90 and 180 to stay positive)
        const std::tuple<const char*, const char*, const char*, const char*, double, double>
            rows[] = {
                {"1.0.0.1", "AUSTRALIA", "Brisbane", "Queensland", -27.4698, 153.0251},
                {"1.255.255.1", "AUSTRALIA", "Brisbane", "Queensland", -27.4698, 153.0251},
                {"1.2.3.4", "FRANCE", "Paris", "Ile-de-France", 48.8566, 2.3522},
                {"2.3.5.1", "GERMANY", "Berlin", "Berlin", 52.52, 13.405},
                {"2.3.6.1", "PORTUGAL", "Lisbon", "Lisbon", 38.7223, -9.1393},
                {"2.3.7.1", "SERBIA AND MONTENEGRO", "Beograd", "Beograd", 44.7866, 20.4489},
                {"2.3.8.1", "RZECZPOSPOLITA POLSKA", "Lódz", "Lódzkie", 51.7592, 19.456},
                {"4.4.4.1", "UNITED STATES", "Mountain View", "California", 37.40,
                 -122.08}, // most /24s
                {"5.0.0.1", "NEW ZEALAND", "", "", -90, -180},
                {"5.1.0.1", "SERBIA AND MONTENEGRO", "Podgorica", "", 42.4304, 19.2594},
                {"6.0.0.1", "UNITED KINGDOM", "London", "England", 51.5072, -0.1276},
                {"255.255.255.1", "", "Juba", "Central Equatoria", 4.85, 31.58}, // no row for SS
                {"2.3.9.1", "", "", "", -90, -180},
                {"128.0.0.1", "", "", "", -90, -180}};
        for (const auto& [address, country, city, state, lat, lon] : rows) {
            host.setAddress(address);
            QCOMPARE(QStringList({host.Country(), host.City(), host.State()}),
                     QStringList({country, QString::fromUtf8(city), state}));
            QVERIFY2(qAbs(host.Latitude() - 90 - lat) < 0.00005 &&
                         qAbs(host.Longitude() - 180 - lon) < 0.00005,
                     address);
        }
        // An IPv6 tree holds the same networks under ::/96.
        MmdbNetworks v4, v6;
        QString error;
        QVERIFY(writeAll(dir_.filePath("v6.mmdb"), mmdbtest::WriteMmdb(SampleNetworks(), 6)));
        QVERIFY(ReadMmdbNetworks(dir_.filePath("sample.mmdb"), v4, error));
        QVERIFY2(ReadMmdbNetworks(dir_.filePath("v6.mmdb"), v6, error), qPrintable(error));
        QVERIFY(v6.networkLocation == v4.networkLocation && v6.locations.size() == 12);
    }

    // Arguments, and the exit code and the words the builder answers with.
    void commandLine() {
        const QString out = dir_.filePath("out"), sample = dir_.filePath("sample.mmdb");
        const std::tuple<QStringList, int, QString> rows[] = {
            {{"--version"}, 0, "ovgeobuild 1"},
            {{sample}, 1, "usage:"},
            {{"--fast", out}, 1, "usage:"},
            {{dir_.filePath("none.mmdb"), out}, 2, "cannot read"},
            {{dir_.filePath("junk.mmdb"), out}, 2, "cannot read"},
            {{sample, dir_.filePath("junk.mmdb")}, 3, "cannot"}}; // the output folder is a file
        for (const auto& [args, exitCode, message] : rows) {
            const Run r = runBuilder(args);
            QVERIFY2(r.exitCode == exitCode && r.output.contains(message), qPrintable(r.output));
        }
    }

    // The steps at their bounds.
    void steps() {
        const std::pair<const char*, int> codes[] = {
            {"ZW", 239}, {"TL", 212}, {"EU", 241}, {"de", 80}, {"XK", 189},
            {"CW", 151}, {"BQ", 151}, {"BL", 0},   {"", 0},    {"USA", 0}};
        for (const auto& [code, number] : codes)
            QVERIFY2(CountryNumber(QString(code)) == number, code);
        const std::pair<const char*, QByteArray> names[] = {
            {"Zürich, Šiauliai, Čačak", "Z\xFCrich, \x8Aiauliai, Cacak"},
            {"Hà Nội, Đà Lạt", "H\xE0 N\xF4i, D\xE0 Lat"},
            {"İzmir, Bogota\u0301, Abuz\u0304ar", "Izmir, Bogot\xE1, Abuzar"},
            {"Hawaiʻi ﬁeld € “x”", "Hawai'i field \x80 \x93x\x94"},
            {"a\tb\x01 东😀", "a b  ??"}};
        for (const auto& [text, bytes] : names)
            QCOMPARE(Transliterate(QString::fromUtf8(text)), bytes);
        QCOMPARE(FixedField(QString::fromUtf8("  Zürich  "), 8), QByteArray("Z\xFCrich  "));
        const std::tuple<double, double, quint32> coordinates[] = {
            {-90, 90, 0},        {180, 180, 3600000}, {0.00006, 90, 900001},
            {91.5, 90, 1800000}, {-200, 180, 0},      {qQNaN(), 90, 0}};
        for (const auto& [degrees, bias, stored] : coordinates)
            QCOMPARE(StoredCoordinate(degrees, bias), stored);
        for (const quint32 v : {0u, 127u, 128u, 16384u, 3600000u}) {
            const auto b = geodata::EncodePacked(v);
            QVERIFY(b[0] < 128 && b[1] < 128 && b[2] < 128 && b[3] < 128 &&
                    geodata::DecodePacked(b.data()) == v);
        }
        // Most networks first, ties in the order given; past 32,767 cities the rest get 0.
        QCOMPARE(NumberCities({5, 9, 5, 1, 5}), (std::vector<int>{2, 1, 3, 5, 4}));
        std::vector<quint32> counts(32770, 1);
        counts.push_back(2);
        const std::vector<int> numbers = NumberCities(counts);
        QVERIFY(numbers.back() == 1 && numbers[32765] == 32767 &&
                std::count(numbers.begin(), numbers.end(), 0) == 4);
    }
};

QTEST_GUILESS_MAIN(TestGeoBuild)
#include "tst_geobuild.moc"
