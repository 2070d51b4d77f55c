#pragma once
// Writes small geodata files for the geolocation tests: the network index as a sparse file of
// the full 50 MB size (only the records a test sets take disk space) and city files of a few
// records, byte by byte as the format lays them out.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace geotest {

// The 3-byte network record: country, city low byte, city high byte.
QByteArray NetworkRecord(int country, int city);
// Record number of a.b.c, times the record size: where that network's record starts.
qint64 NetworkOffset(int a, int b, int c);

// An 83-byte city record from raw single-byte names (padded with spaces or cut to 50 and 25
// bytes) and the 4 raw bytes of each coordinate.
QByteArray CityRecord(const QByteArray& name, const QByteArray& state, const QByteArray& latitude,
                      const QByteArray& longitude);

using Pieces = QList<QPair<qint64, QByteArray>>;
// Creates (or replaces in place) a file of the given size, zero everywhere but the pieces.
bool WriteFile(const QString& path, qint64 size, const Pieces& pieces);
// Writes a whole new file beside path and renames it over path, as installers replace files.
bool ReplaceFile(const QString& path, qint64 size, const Pieces& pieces);

} // namespace geotest
