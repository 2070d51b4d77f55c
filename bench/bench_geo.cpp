// Geolocation lookups for the diagram, which looks up every host on every redraw (up to 100
// redraws a second while the operator drags it). One iteration = the four lookups the diagram
// makes (CheckAddr, then Country, City, State, CountryIndex) for 1,000 distinct hosts of the
// real access log.
#include "geo/clsHostIP.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The first 1,000 distinct client addresses of the shared access log.
const QStringList& Hosts() {
    static const QStringList hosts = [] {
        QStringList out;
        QSet<QString> seen;
        QFile log(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
        if (!log.open(QIODevice::ReadOnly)) return out;
        while (!log.atEnd() && out.size() < 1000) {
            const QByteArray line = log.readLine();
            const QString host = QString::fromLatin1(line.left(line.indexOf(' ')));
            if (!host.isEmpty() && !seen.contains(host)) {
                seen.insert(host);
                out.append(host);
            }
        }
        return out;
    }();
    return hosts;
}

// A full-size database (sparse network index) with a country and a city for every host's /24.
struct SyntheticDatabase {
    QTemporaryDir dir;
    bool ok = false;
    SyntheticDatabase() {
        QFile index(dir.filePath(QStringLiteral("hostdat.xdb")));
        QFile cities(dir.filePath(QStringLiteral("hostcities.xdb")));
        if (!index.open(QIODevice::WriteOnly) || !index.resize(50331648) ||
            !cities.open(QIODevice::WriteOnly))
            return;
        const int cityCount = 5000;
        for (int n = 1; n <= cityCount; ++n) {
            QByteArray record = QByteArray("City ") + QByteArray::number(n);
            record = record.leftJustified(50, ' ') + QByteArray("Region").leftJustified(25, ' ') +
                     QByteArray("\x00\x18\x55\x48\x00\x6B\x4D\x12", 8);
            cities.write(record);
        }
        uint h = 0;
        for (const QString& host : Hosts()) {
            const QStringList p = host.split('.');
            const qint64 k = p[0].toInt() * 65536LL + p[1].toInt() * 256 + p[2].toInt();
            h = h * 1103515245u + 12345u;
            const int city = 1 + int(h >> 8) % cityCount;
            const char record[3] = {char(1 + (h >> 20) % 249), char(city & 0xFF), char(city >> 8)};
            index.seek(3 * k);
            index.write(record, 3);
        }
        ok = true;
    }
};

const SyntheticDatabase& Synthetic() {
    static const SyntheticDatabase db;
    return db;
}

// What the diagram asks for each host it draws.
void LookUpHosts(clsHostIP& host) {
    for (const QString& address : Hosts()) {
        if (!host.CheckAddr(address)) continue;
        host.setAddress(address);
        benchmark::DoNotOptimize(host.Country());
        benchmark::DoNotOptimize(host.City());
        benchmark::DoNotOptimize(host.State());
        benchmark::DoNotOptimize(host.CountryIndex());
    }
}

void LookUpAll(benchmark::State& state, const QString& folder) {
    clsHostIP host;
    host.setDatabasePath(folder);
    if (!host.Available() || Hosts().size() < 1000) {
        state.SkipWithError("no database or no access log");
        return;
    }
    for (auto _ : state)
        LookUpHosts(host);
    state.SetItemsProcessed(state.iterations() * Hosts().size());
}

// A new object for every iteration: the first redraw, files opened and every record read.
void BM_Lookup1000Hosts_FirstDraw(benchmark::State& state) {
    const SyntheticDatabase& db = Synthetic();
    if (!db.ok || Hosts().size() < 1000) {
        state.SkipWithError("could not write the database");
        return;
    }
    for (auto _ : state) {
        clsHostIP host;
        host.setDatabasePath(db.dir.path());
        LookUpHosts(host);
    }
    state.SetItemsProcessed(state.iterations() * Hosts().size());
}
BENCHMARK(BM_Lookup1000Hosts_FirstDraw)->Unit(benchmark::kMillisecond);

// The same object redrawing: what the diagram does 100 times a second while dragged.
void BM_Lookup1000Hosts_Synthetic(benchmark::State& state) {
    const SyntheticDatabase& db = Synthetic();
    if (!db.ok) {
        state.SkipWithError("could not write the database");
        return;
    }
    LookUpAll(state, db.dir.path());
}
BENCHMARK(BM_Lookup1000Hosts_Synthetic)->Unit(benchmark::kMillisecond);

// The data the set-up builds beside the program (scripts/geodata.sh).
void BM_Lookup1000Hosts_BuiltGeodata(benchmark::State& state) {
    LookUpAll(state, QStringLiteral(OV_BIN_DIR "/geodata/"));
}
BENCHMARK(BM_Lookup1000Hosts_BuiltGeodata)->Unit(benchmark::kMillisecond);

#if defined(Q_OS_UNIX)
// For comparison: opening, reading and closing the files on every member call, six times per
// host (Country, City and State each read the index, City and State the cities file).
void BM_Lookup1000Hosts_ReopenEveryCall(benchmark::State& state) {
    const SyntheticDatabase& db = Synthetic();
    const QByteArray index = QFile::encodeName(db.dir.filePath(QStringLiteral("hostdat.xdb")));
    const QByteArray cities = QFile::encodeName(db.dir.filePath(QStringLiteral("hostcities.xdb")));
    const auto readAt = [](const QByteArray& path, off_t offset, char* buf, size_t n) {
        const int fd = ::open(path.constData(), O_RDONLY);
        const ssize_t got = ::pread(fd, buf, n, offset);
        ::close(fd);
        return got;
    };
    char buf[83];
    for (auto _ : state) {
        for (int i = 0; i < Hosts().size(); ++i) {
            const off_t k = off_t(i) * 7919 % 16777216;
            for (int j = 0; j < 4; ++j)
                benchmark::DoNotOptimize(readAt(index, 3 * k, buf, 3));
            for (int j = 0; j < 2; ++j)
                benchmark::DoNotOptimize(readAt(cities, 83 * (i % 5000), buf, 83));
        }
    }
    state.SetItemsProcessed(state.iterations() * Hosts().size());
}
BENCHMARK(BM_Lookup1000Hosts_ReopenEveryCall)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();
