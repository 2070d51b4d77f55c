// ovgeobuild: writes the console's geodata files, hostdat.xdb and hostcities.xdb, from a
// MaxMind-format city database. Run by scripts/geodata.sh at set-up.
//
//   ovgeobuild DATABASE.mmdb OUT_DIR   exit 0 done, 1 wrong arguments, 2 unreadable database,
//                                      3 files not written
//   ovgeobuild --version               the builder's version, which the set-up records to know
//                                      when the files must be built again
#include "geo/GeoDataFormat.h"
#include "tools/GeoBuild.h"
#include "tools/MmdbNetworks.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <cstdio>

namespace {

// Raised whenever the bytes written for the same input change.
constexpr char kBuilderVersion[] = "ovgeobuild 1";

void Say(FILE* stream, const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stream);
}

// Written beside the final name and renamed over it, so a reader never sees half a file.
bool WriteWhole(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--version")}) {
        Say(stdout, QString::fromLatin1(kBuilderVersion));
        return 0;
    }
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-'))) {
        Say(stderr, QStringLiteral("usage: ovgeobuild DATABASE.mmdb OUT_DIR | --version"));
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    geobuild::MmdbNetworks networks;
    QString error;
    if (!geobuild::ReadMmdbNetworks(args[0], networks, error)) {
        Say(stderr, QStringLiteral("ovgeobuild: ") + error);
        return 2;
    }
    const geobuild::GeoData data =
        geobuild::BuildGeoData(networks.networkLocation, networks.locations);

    const QDir out(args[1]);
    if (!QDir().mkpath(out.path())) {
        Say(stderr, QStringLiteral("ovgeobuild: cannot create %1").arg(out.path()));
        return 3;
    }
    if (!WriteWhole(out.filePath(QLatin1String(geodata::kNetworkFile)), data.networkIndex, error) ||
        !WriteWhole(out.filePath(QLatin1String(geodata::kCitiesFile)), data.cities, error)) {
        Say(stderr, QStringLiteral("ovgeobuild: ") + error);
        return 3;
    }
    Say(stdout, QStringLiteral("ovgeobuild: %1 locations; %2 of 16777216 networks with a country, "
                               "%3 with a city; %4 cities numbered, %5 left without a number; "
                               "%6 s")
                    .arg(networks.locations.size())
                    .arg(data.networksWithCountry)
                    .arg(data.networksWithCity)
                    .arg(data.citiesNumbered)
                    .arg(data.citiesLeftOut)
                    .arg(timer.elapsed() / 1000.0, 0, 'f', 1));
    return 0;
}
