#include "views/FlagDC.h"

#include "geo/clsHostIP.h"
#include "settings/pobos.h"

#include <QDir>
#include <QImageReader>

FlagImages LoadFlagDC(const clsHostIP& hostIP, const QString& programFolder) {
    const qint16 count = hostIP.CountryCodesCount();
    FlagImages flags(std::size_t(std::max<qint16>(count, 0)) + 1);
    const QString folder = AddSlash(programFolder) + QStringLiteral("geodata") + QDir::separator() +
                           QStringLiteral("flags") + QDir::separator();
    for (qint16 i = 1; i <= count; ++i) {
        const QString file = folder + hostIP.CountryCode(i) + QStringLiteral(".gif");
        if (!FileExists(file)) continue;
        // The reader looks at the content, not the name; a file it cannot decode leaves the
        // entry empty, as a missing one does, instead of stopping the start-up.
        const QImage picture = QImageReader(file).read();
        if (picture.isNull()) continue;
        auto surface = std::make_unique<CMemoryDC>();
        surface->setPicture(picture);
        flags[std::size_t(i)] = std::move(surface);
    }
    return flags;
}
