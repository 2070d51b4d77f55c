// The builder's pure steps: country codes to table rows, names to the single-byte code page,
// coordinates, city numbering, and whole builds read back through clsHostIP.
#include "geo/GeoDataFormat.h"
#include "geo/clsHostIP.h"
#include "tools/GeoBuild.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace geobuild;

namespace {

std::size_t Net(int a, int b, int c) {
    return std::size_t(a) * 65536 + b * 256 + c;
}

Location City(const char* country, const char* state, const char* city, double lat, double lon) {
    return {QString::fromUtf8(country),
            QString::fromUtf8(state),
            QString::fromUtf8(city),
            lat,
            lon,
            true};
}

// Six locations over a few networks; see build_data for what each one tests.
struct Sample {
    std::vector<Location> locations = {
        City("US", "California", "Mountain View", 37.3861, -122.0839),
        City("US", "California", "Mountain View", 37.40, -122.08), // covers more networks
        City("RS", "Belgrade", "Belgrade", 44.7866, 20.4489),
        City("SS", "Central Equatoria", "Juba", 4.85, 31.58),
        Location{"DE", "", "", 0, 0, false},
        City("pl", "Mazowieckie", "Warszawa", 52.2297, 21.0122),
    };
    std::vector<qint32> networks = std::vector<qint32>(16777216, -1);
    Sample() {
        networks[Net(0, 0, 0)] = 5;
        networks[Net(8, 8, 8)] = 0;
        for (int c = 9; c <= 11; ++c)
            networks[Net(8, 8, c)] = 1;
        for (int c = 0; c <= 4; ++c)
            networks[Net(9, 0, c)] = 2;
        networks[Net(10, 0, 0)] = 3;
        networks[Net(11, 0, 0)] = networks[Net(11, 0, 1)] = 4;
        networks[Net(12, 0, 0)] = 5;
        networks[Net(13, 0, 0)] = 99; // no such location
    }
};

// The sample built once, written as files, for all rows.
struct SampleBuild {
    GeoData data;
    QTemporaryDir dir;
    bool written = false;
    SampleBuild() {
        const Sample sample;
        data = BuildGeoData(sample.networks, sample.locations);
        QFile index(dir.filePath("hostdat.xdb"));
        QFile cities(dir.filePath("hostcities.xdb"));
        written = index.open(QIODevice::WriteOnly) && index.write(data.networkIndex) > 0 &&
                  cities.open(QIODevice::WriteOnly) && cities.write(data.cities) > 0;
    }
};

int CityNumberAt(const GeoData& data, std::size_t k) {
    const auto* r = reinterpret_cast<const unsigned char*>(data.networkIndex.constData()) + 3 * k;
    return r[1] + 256 * r[2];
}

} // namespace

class tst_GeoBuild : public QObject {
    Q_OBJECT

private slots:
    void countryNumber_data();
    void countryNumber();
    void transliterate_data();
    void transliterate();
    void fixedField_data();
    void fixedField();
    void storedCoordinate_data();
    void storedCoordinate();
    void packedNumbers();
    void numberCities_data();
    void numberCities();
    void numberCitiesPastTheLimit();
    void build_data();
    void build();
    void buildIsDeterministic();
};

void tst_GeoBuild::countryNumber_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("number");
    QTest::newRow("first row") << "AF" << 1;
    QTest::newRow("United States") << "US" << 226;
    QTest::newRow("GB takes the first of its two rows") << "GB" << 225;
    QTest::newRow("ZW takes the first of its two rows") << "ZW" << 239;
    QTest::newRow("Timor-Leste by its current code") << "TL" << 212;
    QTest::newRow("Poland under its own name") << "PL" << 171;
    QTest::newRow("an addition") << "EU" << 241;
    QTest::newRow("lower case") << "de" << 80;
    QTest::newRow("Serbia to Serbia and Montenegro") << "RS" << 189;
    QTest::newRow("Montenegro to Serbia and Montenegro") << "ME" << 189;
    QTest::newRow("Kosovo to Serbia and Montenegro") << "XK" << 189;
    QTest::newRow("Curacao to the Netherlands Antilles") << "CW" << 151;
    QTest::newRow("Sint Maarten to the Netherlands Antilles") << "SX" << 151;
    QTest::newRow("Bonaire to the Netherlands Antilles") << "BQ" << 151;
    QTest::newRow("Netherlands Antilles itself") << "AN" << 151;
    QTest::newRow("South Sudan has no row") << "SS" << 0;
    QTest::newRow("Saint Barthelemy has no row") << "BL" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("three letters") << "USA" << 0;
    QTest::newRow("one letter") << "U" << 0;
}

void tst_GeoBuild::countryNumber() {
    QFETCH(QString, code);
    QFETCH(int, number);
    QCOMPARE(CountryNumber(code), number);
}

void tst_GeoBuild::transliterate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain") << "Mountain View" << QByteArray("Mountain View");
    QTest::newRow("letters the code page has") << QString::fromUtf8("Zürich, Ærøskøbing, Šiauliai")
                                               << QByteArray("Z\xFCrich, \xC6r\xF8sk\xF8"
                                                             "bing, \x8Aiauliai");
    QTest::newRow("stroke letters") << QString::fromUtf8("Łódź")
                                    << QByteArray("L\xF3"
                                                  "dz");
    QTest::newRow("caron and cedilla the page lacks")
        << QString::fromUtf8("Čačak, Şanlıurfa") << QByteArray("Cacak, Sanliurfa");
    QTest::newRow("stacked accents keep the one the page has")
        << QString::fromUtf8("Hà Nội") << QByteArray("H\xE0 N\xF4i");
    QTest::newRow("dotted capital I") << QString::fromUtf8("İzmir") << QByteArray("Izmir");
    QTest::newRow("D with stroke is not Eth")
        << QString::fromUtf8("Đà Lạt") << QByteArray("D\xE0 Lat");
    QTest::newRow("accent with no composed form")
        << QString::fromUtf8("Abuz\u0304ar, Thapathali\u0307\u0304")
        << QByteArray("Abuzar, Thapathali");
    QTest::newRow("already decomposed")
        << QString::fromUtf8("Bogota\u0301") << QByteArray("Bogot\xE1");
    QTest::newRow("okina and ligature")
        << QString::fromUtf8("Hawaiʻi ﬁeld") << QByteArray("Hawai'i field");
    QTest::newRow("euro sign and typographic quotes")
        << QString::fromUtf8("€ “x”") << QByteArray("\x80 \x93x\x94");
    QTest::newRow("control characters") << QString::fromUtf8("a\tb\nc\x01") << QByteArray("a b c ");
    QTest::newRow("no Latin form") << QString::fromUtf8("东涌") << QByteArray("??");
    QTest::newRow("outside the basic plane") << QString::fromUtf8("a😀b") << QByteArray("a?b");
    QTest::newRow("question mark itself") << "Why?" << QByteArray("Why?");
}

void tst_GeoBuild::transliterate() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Transliterate(text), bytes);
}

void tst_GeoBuild::fixedField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("padded") << "Madrid" << 10 << QByteArray("Madrid    ");
    QTest::newRow("cut") << "Llanfairpwllgwyngyll" << 8 << QByteArray("Llanfair");
    QTest::newRow("one byte per accented letter")
        << QString::fromUtf8("Zürich") << 6 << QByteArray("Z\xFCrich");
    QTest::newRow("trimmed first") << "  Lima  " << 6 << QByteArray("Lima  ");
    QTest::newRow("empty") << "" << 3 << QByteArray("   ");
    QTest::newRow("full city width") << QString(60, 'x') << 50 << QByteArray(50, 'x');
}

void tst_GeoBuild::fixedField() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, bytes);
    QCOMPARE(FixedField(text, width), bytes);
}

void tst_GeoBuild::storedCoordinate_data() {
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("bias");
    QTest::addColumn<quint32>("stored");
    QTest::newRow("latitude north") << 40.4168 << 90.0 << quint32(1304168);
    QTest::newRow("latitude south") << -27.4767 << 90.0 << quint32(625233);
    QTest::newRow("south pole") << -90.0 << 90.0 << quint32(0);
    QTest::newRow("north pole") << 90.0 << 90.0 << quint32(1800000);
    QTest::newRow("longitude west") << -3.7038 << 180.0 << quint32(1762962);
    QTest::newRow("date line west") << -180.0 << 180.0 << quint32(0);
    QTest::newRow("date line east") << 180.0 << 180.0 << quint32(3600000);
    QTest::newRow("rounded to the nearest") << 0.00004 << 90.0 << quint32(900000);
    QTest::newRow("rounded up") << 0.00006 << 90.0 << quint32(900001);
    QTest::newRow("beyond the pole is held") << 91.5 << 90.0 << quint32(1800000);
    QTest::newRow("below the range is held") << -200.0 << 180.0 << quint32(0);
    QTest::newRow("not a number") << qQNaN() << 90.0 << quint32(0);
}

void tst_GeoBuild::storedCoordinate() {
    QFETCH(double, degrees);
    QFETCH(double, bias);
    QFETCH(quint32, stored);
    QCOMPARE(StoredCoordinate(degrees, bias), stored);
}

void tst_GeoBuild::packedNumbers() {
    // The example of the format: 404168 is stored as 00 18 55 48.
    const auto bytes = geodata::EncodePacked(404168);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data()), 4),
             QByteArray("\x00\x18\x55\x48", 4));
    // Every stored coordinate comes back whole, with no byte above 127.
    for (const quint32 v : {0u, 1u, 127u, 128u, 16383u, 16384u, 1800000u, 3600000u}) {
        const auto b = geodata::EncodePacked(v);
        QVERIFY(b[0] < 128 && b[1] < 128 && b[2] < 128 && b[3] < 128);
        QCOMPARE(geodata::DecodePacked(b.data()), v);
    }
}

void tst_GeoBuild::numberCities_data() {
    QTest::addColumn<std::vector<quint32>>("counts");
    QTest::addColumn<std::vector<int>>("numbers");
    QTest::newRow("none") << std::vector<quint32>{} << std::vector<int>{};
    QTest::newRow("most networks first")
        << std::vector<quint32>{5, 9, 1} << std::vector<int>{2, 1, 3};
    QTest::newRow("ties keep their order")
        << std::vector<quint32>{5, 9, 5, 5} << std::vector<int>{2, 1, 3, 4};
}

void tst_GeoBuild::numberCities() {
    using Counts = std::vector<quint32>;
    using Numbers = std::vector<int>;
    QFETCH(Counts, counts);
    QFETCH(Numbers, numbers);
    QCOMPARE(NumberCities(counts), numbers);
}

void tst_GeoBuild::numberCitiesPastTheLimit() {
    // 32,770 cities of one network each, and one more of two networks at the end.
    std::vector<quint32> counts(32770, 1);
    counts.push_back(2);
    const std::vector<int> numbers = NumberCities(counts);
    QCOMPARE(numbers.back(), 1);
    QCOMPARE(numbers[0], 2);
    QCOMPARE(numbers[32765], 32767);
    QCOMPARE(numbers[32766], 0);
    QCOMPARE(numbers[32769], 0);
    QCOMPARE(std::count(numbers.begin(), numbers.end(), 0), 4);
}

void tst_GeoBuild::build_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("country");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("cityNumber");
    QTest::addColumn<double>("latitude"); // degrees, as given to the builder
    QTest::addColumn<double>("longitude");
    QTest::newRow("coordinates of the location with most networks")
        << "8.8.8.8"
        << "UNITED STATES" << 226 << "Mountain View"
        << "California" << 2 << 37.40 << -122.08;
    QTest::newRow("both locations of a city share its record")
        << "8.8.10.1"
        << "UNITED STATES" << 226 << "Mountain View"
        << "California" << 2 << 37.40 << -122.08;
    QTest::newRow("most networks: city 1, code of a successor state")
        << "9.0.4.1"
        << "SERBIA AND MONTENEGRO" << 189 << "Belgrade"
        << "Belgrade" << 1 << 44.7866 << 20.4489;
    QTest::newRow("code without a row keeps its city") << "10.0.0.1"
                                                       << "" << -1 << "Juba"
                                                       << "Central Equatoria" << 4 << 4.85 << 31.58;
    QTest::newRow("country without a city") << "11.0.1.1"
                                            << "GERMANY" << 80 << ""
                                            << "" << 0 << 0.0 << 0.0;
    QTest::newRow("first network of the index") << "0.0.0.1"
                                                << "RZECZPOSPOLITA POLSKA" << 171 << "Warszawa"
                                                << "Mazowieckie" << 3 << 52.2297 << 21.0122;
    QTest::newRow("unknown location") << "13.0.0.1"
                                      << "" << -1 << ""
                                      << "" << 0 << 0.0 << 0.0;
    QTest::newRow("no location") << "200.0.0.1"
                                 << "" << -1 << ""
                                 << "" << 0 << 0.0 << 0.0;
}

void tst_GeoBuild::build() {
    QFETCH(QString, address);
    QFETCH(QString, country);
    QFETCH(int, index);
    QFETCH(QString, city);
    QFETCH(QString, state);
    QFETCH(int, cityNumber);
    QFETCH(double, latitude);
    QFETCH(double, longitude);

    static const SampleBuild build;
    const GeoData& data = build.data;
    QVERIFY(build.written);
    QCOMPARE(data.networkIndex.size(), geodata::kNetworkFileSize);
    QCOMPARE(data.cities.size(), 4 * geodata::kCityRecordSize);
    QCOMPARE(data.citiesNumbered, 4);
    QCOMPARE(data.citiesLeftOut, 0);
    QCOMPARE(data.networksWithCountry, qint64(13));
    QCOMPARE(data.networksWithCity, qint64(12));

    clsHostIP host;
    host.setDatabasePath(build.dir.path());
    QVERIFY(host.Available());
    host.setAddress(address);
    QCOMPARE(host.Country(), country);
    QCOMPARE(host.CountryIndex(), qint16(index));
    QCOMPARE(host.City(), city);
    QCOMPARE(host.State(), state);
    const QStringList parts = address.split('.');
    QCOMPARE(CityNumberAt(data, Net(parts[0].toInt(), parts[1].toInt(), parts[2].toInt())),
             cityNumber);
    // The files keep coordinates offset to stay positive; the reader returns them as stored.
    QCOMPARE(host.Latitude(), cityNumber ? latitude + 90 : 0.0);
    QCOMPARE(host.Longitude(), cityNumber ? longitude + 180 : 0.0);
}

void tst_GeoBuild::buildIsDeterministic() {
    const Sample sample;
    const GeoData first = BuildGeoData(sample.networks, sample.locations);
    const GeoData second = BuildGeoData(sample.networks, sample.locations);
    QVERIFY(first.networkIndex == second.networkIndex);
    QVERIFY(first.cities == second.cities);
    // A shorter map counts as no location past its end.
    const std::vector<qint32> few(sample.networks.begin(), sample.networks.begin() + 10);
    const GeoData small = BuildGeoData(few, sample.locations);
    QCOMPARE(small.networkIndex.size(), geodata::kNetworkFileSize);
    QCOMPARE(small.networksWithCountry, qint64(1));
}

QTEST_GUILESS_MAIN(tst_GeoBuild)
#include "tst_GeoBuild.moc"
