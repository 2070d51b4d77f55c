#pragma once
// Writes small MaxMind-format (MMDB, binary format 2) databases for the builder's tests, since
// libmaxminddb only reads them: a search tree of 24-bit records, a data section and the
// metadata, following the published format.
#include <QByteArray>
#include <QList>
#include <QVariantMap>
#include <QtGlobal>

namespace mmdbtest {

// A network and its record. Values: QString -> UTF-8 string, double -> double, float ->
// float, int -> uint32, QVariantMap -> map, QVariantList -> array. Later networks inside
// earlier ones override that part of them; equal records share one place in the data section.
struct Network {
    quint32 address; // IPv4, host order
    int prefixLength;
    QVariantMap record;
};

// ipVersion 6 puts the IPv4 networks under ::/96, as IPv6 databases hold them.
QByteArray WriteMmdb(const QList<Network>& networks, int ipVersion = 4);

// A DB-IP style record.
QVariantMap CityRecord(const QString& country, const QString& state, const QString& city,
                       double latitude, double longitude);

} // namespace mmdbtest
