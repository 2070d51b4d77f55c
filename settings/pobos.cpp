#include "settings/pobos.h"

#include <QDir>
#include <QFileInfo>

bool FileExists(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty()) return false;
    const QFileInfo info(trimmed);
    return info.exists() && !info.isDir();
}

QString AddSlash(const QString& path) {
    const QChar sep = QDir::separator();
    return path.endsWith(sep) ? path : path + sep;
}

QString BoolToStr(bool b) {
    return b ? QStringLiteral("1") : QStringLiteral("0");
}
