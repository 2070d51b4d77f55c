// Reading MaxMind-format databases into one location per /24 network, on small databases the
// test writes itself: whole and split networks, overrides, both record layouts, IPv4 and IPv6
// trees, and damaged files.
#include "MmdbWriter.h"
#include "tools/MmdbNetworks.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

using namespace mmdbtest;
using geobuild::MmdbNetworks;

namespace {

quint32 Ip(int a, int b, int c, int d) {
    return quint32(a) << 24 | b << 16 | c << 8 | d;
}
qsizetype Net(int a, int b, int c) {
    return qsizetype(a) * 65536 + b * 256 + c;
}

const QVariantMap kBrisbane = CityRecord("AU", "Queensland", "Brisbane", -27.4698, 153.0251);
const QVariantMap kParis = CityRecord("FR", "Ile-de-France", "Paris", 48.8566, 2.3522);
const QVariantMap kBerlin = CityRecord("DE", "Berlin", "Berlin", 52.52, 13.405);
const QVariantMap kMunich = CityRecord("DE", "Bavaria", "Munich", 48.1351, 11.582);
const QVariantMap kMadrid = CityRecord("ES", "Madrid", "Madrid", 40.4168, -3.7038);
const QVariantMap kLisbon = CityRecord("PT", "Lisbon", "Lisbon", 38.7223, -9.1393);
const QVariantMap kRome = CityRecord("IT", "Lazio", "Rome", 41.9028, 12.4964);
const QVariantMap kMountainView =
    CityRecord("US", "California", "Mountain View", 37.3861, -122.0839);
const QVariantMap kTokyo = CityRecord("JP", "Tokyo", "Tokyo", 35.6762, 139.6503);
const QVariantMap kCountryOnly = {{"country_code", QStringLiteral("NZ")}};
// The GeoIP2 layout of the same kind of record.
const QVariantMap kLondon = {
    {"country", QVariantMap{{"iso_code", QStringLiteral("GB")}}},
    {"city", QVariantMap{{"names", QVariantMap{{"en", QStringLiteral("London")}}}}},
    {"subdivisions",
     QVariantList{QVariantMap{{"names", QVariantMap{{"en", QStringLiteral("England")}}}}}},
    {"location", QVariantMap{{"latitude", 51.5072}, {"longitude", -0.1276}}},
};

QList<Network> SampleNetworks() {
    return {
        {Ip(1, 0, 0, 0), 8, kBrisbane},
        {Ip(1, 2, 3, 0), 24, kParis}, // a hole cut into the /8
        {Ip(2, 3, 4, 0), 24, kParis},
        // 2.3.5: Berlin twice (192 addresses) against Munich (64)
        {Ip(2, 3, 5, 0), 25, kBerlin},
        {Ip(2, 3, 5, 128), 26, kMunich},
        {Ip(2, 3, 5, 192), 26, kBerlin},
        // 2.3.6: Madrid first with 64, Lisbon with 128 in two pieces, a quarter without data
        {Ip(2, 3, 6, 0), 26, kMadrid},
        {Ip(2, 3, 6, 64), 26, kLisbon},
        {Ip(2, 3, 6, 128), 26, kLisbon},
        // 2.3.7: a quarter with data, the rest without
        {Ip(2, 3, 7, 64), 26, kRome},
        // 2.3.8: a tie goes to the lower half
        {Ip(2, 3, 8, 0), 25, kMadrid},
        {Ip(2, 3, 8, 128), 25, kLisbon},
        {Ip(4, 4, 4, 4), 32, kMountainView},
        {Ip(5, 0, 0, 0), 16, kCountryOnly},
        {Ip(6, 0, 0, 0), 24, kLondon},
        {Ip(255, 255, 255, 0), 24, kTokyo},
    };
}

bool WriteTo(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The sample database of one IP version, written and read once for all rows.
const MmdbNetworks* ReadSample(const QString& folder, int ipVersion, QString& error) {
    static std::map<int, MmdbNetworks> read;
    if (const auto it = read.find(ipVersion); it != read.end()) return &it->second;
    const QString path = folder + QStringLiteral("/sample-v%1.mmdb").arg(ipVersion);
    if (!WriteTo(path, WriteMmdb(SampleNetworks(), ipVersion))) return nullptr;
    MmdbNetworks out;
    if (!geobuild::ReadMmdbNetworks(path, out, error)) return nullptr;
    return &read.emplace(ipVersion, std::move(out)).first->second;
}

} // namespace

class tst_MmdbNetworks : public QObject {
    Q_OBJECT

private slots:
    void networks_data();
    void networks();
    void locations_data();
    void locations();
    void damagedDatabase_data();
    void damagedDatabase();

private:
    QTemporaryDir m_dir;
};

void tst_MmdbNetworks::networks_data() {
    QTest::addColumn<int>("ipVersion");
    QTest::addColumn<qsizetype>("network");
    QTest::addColumn<QString>("city"); // "-" for no location
    for (const int version : {4, 6}) {
        const auto row = [&](const char* name, qsizetype net, const char* city) {
            QTest::addRow("IPv%d tree, %s", version, name) << version << net << city;
        };
        row("first /24 of a /8", Net(1, 0, 0), "Brisbane");
        row("last /24 of a /8", Net(1, 255, 255), "Brisbane");
        row("beside the hole", Net(1, 2, 2), "Brisbane");
        row("hole in the /8", Net(1, 2, 3), "Paris");
        row("whole /24", Net(2, 3, 4), "Paris");
        row("split, one record met twice wins", Net(2, 3, 5), "Berlin");
        row("split, most addresses win over first", Net(2, 3, 6), "Lisbon");
        row("split, data wins over no data", Net(2, 3, 7), "Rome");
        row("split, tie to the lower half", Net(2, 3, 8), "Madrid");
        row("a single address", Net(4, 4, 4), "Mountain View");
        row("last network", Net(255, 255, 255), "Tokyo");
        row("no data at all", Net(0, 0, 0), "-");
        row("no data beside data", Net(2, 3, 9), "-");
        row("no data in the middle", Net(128, 0, 0), "-");
    }
}

void tst_MmdbNetworks::networks() {
    QFETCH(int, ipVersion);
    QFETCH(qsizetype, network);
    QFETCH(QString, city);

    QString error;
    const MmdbNetworks* sample = ReadSample(m_dir.path(), ipVersion, error);
    QVERIFY2(sample, qPrintable(error));
    const MmdbNetworks& out = *sample;
    QCOMPARE(out.networkLocation.size(), std::size_t(16777216));
    const qint32 li = out.networkLocation[std::size_t(network)];
    if (city == "-") {
        QCOMPARE(li, -1);
    } else {
        QVERIFY(li >= 0 && std::size_t(li) < out.locations.size());
        QCOMPARE(out.locations[std::size_t(li)].city, city);
    }
}

void tst_MmdbNetworks::locations_data() {
    QTest::addColumn<qsizetype>("network");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("city");
    QTest::addColumn<bool>("hasCoordinates");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    // latitude is written as a 32-bit float, longitude as a double
    QTest::newRow("DB-IP layout") << Net(2, 3, 4) << "FR"
                                  << "Ile-de-France"
                                  << "Paris" << true << double(float(48.8566)) << 2.3522;
    QTest::newRow("southern and western") << Net(2, 3, 6) << "PT"
                                          << "Lisbon"
                                          << "Lisbon" << true << double(float(38.7223)) << -9.1393;
    QTest::newRow("GeoIP2 layout") << Net(6, 0, 0) << "GB"
                                   << "England"
                                   << "London" << true << 51.5072 << -0.1276;
    QTest::newRow("country only") << Net(5, 0, 1) << "NZ"
                                  << ""
                                  << "" << false << 0.0 << 0.0;
}

void tst_MmdbNetworks::locations() {
    QFETCH(qsizetype, network);
    QFETCH(QString, country);
    QFETCH(QString, state);
    QFETCH(QString, city);
    QFETCH(bool, hasCoordinates);
    QFETCH(double, latitude);
    QFETCH(double, longitude);

    QString error;
    const MmdbNetworks* sample = ReadSample(m_dir.path(), 4, error);
    QVERIFY2(sample, qPrintable(error));
    const MmdbNetworks& out = *sample;
    const qint32 li = out.networkLocation[std::size_t(network)];
    QVERIFY(li >= 0);
    const geobuild::Location& loc = out.locations[std::size_t(li)];
    QCOMPARE(loc.countryCode, country);
    QCOMPARE(loc.state, state);
    QCOMPARE(loc.city, city);
    QCOMPARE(loc.hasCoordinates, hasCoordinates);
    if (hasCoordinates) {
        QCOMPARE(loc.latitude, latitude);
        QCOMPARE(loc.longitude, longitude);
    }
    // One location per distinct record that covers some /24, numbered in address order:
    // Brisbane's /8 comes first, Paris (its hole) second; Berlin's two pieces are one location,
    // and Munich, which loses the only /24 it is part of, is none.
    QCOMPARE(out.locations.size(), std::size_t(10));
    QCOMPARE(out.locations[0].city, QStringLiteral("Brisbane"));
    QCOMPARE(out.locations[1].city, QStringLiteral("Paris"));
}

void tst_MmdbNetworks::damagedDatabase_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = WriteMmdb(SampleNetworks());
    QByteArray loop = good;
    // The root's two records both point back at the root.
    loop.replace(0, 6, QByteArray(6, '\0'));
    QByteArray wild = good;
    // The root's left record points far past the data section.
    wild.replace(0, 3, QByteArray("\x7F\xFF\xF0", 3));

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not a database") << QByteArray(4096, 'x');
    QTest::newRow("metadata cut off") << good.left(good.size() - 40);
    QTest::newRow("tree that loops") << loop;
    QTest::newRow("record past the data") << wild;
}

void tst_MmdbNetworks::damagedDatabase() {
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath("damaged.mmdb");
    QFile::remove(path);
    QVERIFY(WriteTo(path, bytes));
    MmdbNetworks out;
    QString error;
    QVERIFY(!geobuild::ReadMmdbNetworks(path, out, error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!geobuild::ReadMmdbNetworks(m_dir.filePath("missing.mmdb"), out, error));
}

QTEST_GUILESS_MAIN(tst_MmdbNetworks)
#include "tst_MmdbNetworks.moc"
