#pragma once
// Geolocation of dotted IPv4 addresses: the country, city and region of an address from the two
// files hostdat.xdb (one record per /24 network) and hostcities.xdb (fixed-size city records) in
// DatabasePath, plus the built-in country table (country number n = row n, 1..249).
//
// Lookups that find nothing answer "" for text, -1 for CountryIndex and 0 for numbers. That
// includes every kind of damaged or missing data: an address that fails CheckAddr, a network
// with no country or city, a file that is missing (even one deleted after Available said
// True), shorter than the addressed record, or holding a country number above 249 or a city
// number past the end of the cities file.
//
// The diagram looks every host up on every redraw, so the files stay open between calls and the
// records read are kept; before every answer a watch on the paths (PathWatch) is asked whether
// a file has been written, truncated, replaced, renamed or deleted since, and if so everything
// is dropped and read again. The answers thus always follow the files on disk (the one change
// the watch cannot see is another program writing through a shared memory mapping of them).
// The cities file is not opened for a network without a city.
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

class clsHostIP {
public:
    clsHostIP();
    ~clsHostIP();
    clsHostIP(const clsHostIP&) = delete;
    clsHostIP& operator=(const clsHostIP&) = delete;

    // Folder of the two files, with or without the trailing separator.
    QString DatabasePath() const;
    void setDatabasePath(const QString& path);
    // The dotted address the lookup members resolve.
    QString Address() const;
    void setAddress(const QString& address);

    // Both files exist (FileExists rule: spaces trimmed, folders do not count).
    bool Available() const;
    // Four dot-separated parts, each decimal digits 0..255, spaces around a part allowed.
    bool CheckAddr(const QString& sAddr) const;

    QString Country() const;
    qint16 CountryIndex() const;
    QString City() const;
    QString State() const;
    // The stored coordinates / 10,000. The data builder stores degrees + 90 (latitude) and
    // degrees + 180 (longitude), so these are offset values, never negative.
    double Latitude() const;
    double Longitude() const;

    // Row cID of the country table; "" outside 1..CountryCodesCount.
    QString CountryName(qint16 cID) const;
    QString CountryCode(qint16 cID) const;
    qint16 CountryCodesCount() const;

private:
    struct Network {
        int country = 0; // 0, or a row of the country table
        int city = 0;    // 0, or a city record number
    };
    struct CityRecord {
        QString city;
        QString state;
        double latitude = 0;
        double longitude = 0;
    };
    struct Files;

    // The network record of Address; false when Address fails CheckAddr.
    bool addressNetwork(Network& out) const;
    Network readNetwork(Files& files, quint32 number) const;
    CityRecord readCity(Files& files, int number) const;
    CityRecord addressCity() const;
    Files& files() const;

    QString m_DatabasePath;
    QString m_Address;
    bool m_addressValid = false; // m_Address passed CheckAddr; its octets:
    std::array<quint8, 4> m_octets{};
    QStringList m_names;
    QStringList m_codes;
    mutable std::unique_ptr<Files> m_files;
};
