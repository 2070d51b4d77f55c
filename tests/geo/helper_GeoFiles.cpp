#include "GeoFiles.h"

#include <QFile>

#include <cstdio>

namespace geotest {

QByteArray NetworkRecord(int country, int city) {
    QByteArray r(3, '\0');
    r[0] = char(country);
    r[1] = char(city & 0xFF);
    r[2] = char((city >> 8) & 0xFF);
    return r;
}

qint64 NetworkOffset(int a, int b, int c) {
    return 3 * (qint64(a) * 65536 + b * 256 + c);
}

QByteArray CityRecord(const QByteArray& name, const QByteArray& state, const QByteArray& latitude,
                      const QByteArray& longitude) {
    return name.left(50).leftJustified(50, ' ') + state.left(25).leftJustified(25, ' ') +
           latitude.left(4).leftJustified(4, '\0') + longitude.left(4).leftJustified(4, '\0');
}

bool WriteFile(const QString& path, qint64 size, const Pieces& pieces) {
    QFile f(path);
    // Without truncation the file keeps its inode, as an in-place rewrite does.
    if (!f.open(QIODevice::ReadWrite)) return false;
    if (!f.resize(0) || !f.resize(size)) return false;
    for (const auto& [offset, bytes] : pieces)
        if (!f.seek(offset) || f.write(bytes) != bytes.size()) return false;
    return true;
}

bool ReplaceFile(const QString& path, qint64 size, const Pieces& pieces) {
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    if (!WriteFile(temp, size, pieces)) return false;
    return std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) ==
           0;
}

} // namespace geotest
