// How long one redraw of the diagram takes, with the real log (10,000 lines, 1,753 hosts) and with
// a log of 1,000,000 lines (the real one repeated), in the simple and in the extended diagram,
// with and without size tags; and how long decoding the host list takes once the text changes.
//
//   build/bench/bench_diagram --benchmark_min_time=2
// Times are wall-clock per redraw (what the operator waits for); CPU is that of all threads.
#include "geo/clsHostIP.h"
#include "views/CMemoryDC.h"
#include "views/DiagramController.h"
#include "views/DiagramHosts.h"
#include "views/DiagramPictures.h"
#include "views/PictureBox.h"
#include "views/modUserColor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>

namespace {

using Flags = std::vector<std::unique_ptr<CMemoryDC>>;

struct Data {
    LogText corpus;  // 10,000 lines, CR LF
    LogText million; // the corpus 100 times, made on first use
    const LogText& text(bool large) {
        if (large && million.IsEmpty()) million = LogText(corpus.Bytes().repeated(100));
        return large ? million : corpus;
    }
    QTemporaryDir dir;
    clsHostIP table;
    Flags flags;
};

quint32 network(const QRegularExpressionMatch& m) {
    return quint32(m.captured(1).toInt()) * 65536 + quint32(m.captured(2).toInt()) * 256 +
           quint32(m.captured(3).toInt());
}

// Geodata for the log's own networks (ten countries, most with a city), and the system's flags.
void makeGeodata(Data& d) {
    const QString folder = d.dir.path();
    QFile dat(folder + QStringLiteral("/hostdat.xdb"));
    dat.open(QIODevice::WriteOnly);
    dat.resize(qint64(3) * 16777216);
    const int countries[] = {226, 80, 199, 73, 225, 44, 107, 30, 177, 99};
    std::map<quint32, int> seen;
    const QRegularExpression address(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)\\.\\d+ - - \\["),
                                     QRegularExpression::MultilineOption);
    const QString corpusText = QString::fromLatin1(d.corpus.Bytes());
    for (auto it = address.globalMatch(corpusText); it.hasNext();) {
        const quint32 k = network(it.next());
        if (seen.count(k)) continue;
        const int index = int(seen.size());
        seen[k] = index;
        const char rec[3] = {char(countries[index % 10]), char(index % 4 == 3 ? 0 : 1 + index % 3),
                             0};
        dat.seek(qint64(3) * k);
        dat.write(rec, 3);
    }
    QFile cities(folder + QStringLiteral("/hostcities.xdb"));
    cities.open(QIODevice::WriteOnly);
    for (const char* c : {"Madrid", "Berlin", "Springfield"}) {
        QByteArray rec = QByteArray(c).leftJustified(50, ' ');
        rec += QByteArray("Some Region").leftJustified(25, ' ');
        rec += QByteArray(8, '\x01');
        cities.write(rec);
    }
    d.flags.resize(size_t(d.table.CountryCodesCount()) + 1);
    for (qint16 i = 1; i <= d.table.CountryCodesCount(); ++i) {
        const QImage image(QStringLiteral("/usr/share/flags/countries/16x11/") +
                           d.table.CountryCode(i).toLower() + QStringLiteral(".gif"));
        if (image.isNull()) continue;
        d.flags[size_t(i)] = std::make_unique<CMemoryDC>();
        d.flags[size_t(i)]->setPicture(image);
    }
}

Data& data() {
    static Data* d = [] {
        auto* d = new Data;
        QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
        file.open(QIODevice::ReadOnly);
        QByteArray corpus = file.readAll().replace("\n", "\r\n");
        if (!corpus.endsWith("\r\n")) corpus += "\r\n";
        d->corpus = LogText(std::move(corpus));
        makeGeodata(*d);
        return d;
    }();
    return *d;
}

// The controller and surface of one benchmark case. args: 0 corpus / 1 million lines; 0 simple /
// 1 extended; 0 / 1 size tags; drawing threads (1: the calling thread only, 0: as many as the
// processor has).
struct Case {
    explicit Case(const benchmark::State& state)
        : text(data().text(state.range(0) != 0)), controller(&pic, inputs()) {
        pic.resize(1024, 768);
        pic.SetStretchBltMode(PictureBox::kStretchHalftone);
        pic.setDrawThreads(int(state.range(3)));
        if (state.range(2)) controller.mShowBandWidth_Click();
        controller.mDiagramMode_Click(int(state.range(1))); // draws once: decodes and looks up
        label = std::string(state.range(0) ? "1M lines" : "10k lines") +
                (state.range(1) ? ", extended" : ", simple") +
                (state.range(2) ? ", size tags" : "") +
                (state.range(3) == 1 ? ", 1 thread" : ", all threads");
    }
    DiagramInputs inputs() {
        hostIP.setDatabasePath(data().dir.path());
        DiagramInputs in;
        in.logText = [this] { return text; };
        in.diagramSelected = [] { return true; };
        in.hostIP = [this] { return &hostIP; };
        in.flags = &data().flags;
        in.serverPicture = LoadDiagramPicture(DiagramPicture::Server);
        return in;
    }
    // As while dragging: the ring turns a little between redraws.
    void turn() {
        controller.pic_MouseDown(1, 0, 0, 0);
        rotation += 1;
        controller.pic_MouseMove(1, 0, 0, float(rotation));
        controller.pic_MouseUp(1, 0, 0, float(rotation));
    }

    const LogText& text;
    PictureBox pic;
    clsHostIP hostIP;
    DiagramController controller;
    double rotation = 0;
    std::string label;
};

void BM_DrawPic(benchmark::State& state) {
    Case c(state);
    for (auto _ : state) {
        c.turn();
        c.controller.DrawPic();
        benchmark::DoNotOptimize(c.pic.Image().constBits()); // the picture as the screen gets it
    }
    state.SetLabel(c.label);
}
BENCHMARK(BM_DrawPic)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}, {1, 0}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The two steps of a redraw apart: laying out the operations (DrawPic, on the calling thread)
// and carrying them out on the pixels (when the picture is read); and how the redraws spread:
// the median, the slowest tenth, and the share of them that miss the 10 ms of the drawing timer.
void BM_DrawPicSteps(benchmark::State& state) {
    Case c(state);
    double layout = 0, pixels = 0;
    std::vector<double> redraws;
    QElapsedTimer timer;
    for (auto _ : state) {
        c.turn();
        timer.start();
        c.controller.DrawPic();
        const qint64 t1 = timer.nsecsElapsed();
        benchmark::DoNotOptimize(c.pic.Image().constBits());
        const qint64 t2 = timer.nsecsElapsed();
        layout += double(t1) / 1e6;
        pixels += double(t2 - t1) / 1e6;
        redraws.push_back(double(t2) / 1e6);
    }
    std::sort(redraws.begin(), redraws.end());
    const auto at = [&](double share) {
        return redraws[size_t(share * double(redraws.size() - 1))];
    };
    const auto late =
        std::count_if(redraws.begin(), redraws.end(), [](double ms) { return ms > 10; });
    state.counters["layout_ms"] = benchmark::Counter(layout / double(state.iterations()));
    state.counters["pixels_ms"] = benchmark::Counter(pixels / double(state.iterations()));
    state.counters["p50_ms"] = benchmark::Counter(at(0.5));
    state.counters["p90_ms"] = benchmark::Counter(at(0.9));
    state.counters["over_10ms_pct"] =
        benchmark::Counter(100.0 * double(late) / double(redraws.size()));
    state.SetLabel(c.label);
}
BENCHMARK(BM_DrawPicSteps)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}, {1, 0}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Decoding the host list: once after each change of the text.
void BM_BuildHostList(benchmark::State& state) {
    const LogText& text = data().text(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildHostList(text).size());
    state.SetLabel(state.range(0) ? "1M lines" : "10k lines");
}
BENCHMARK(BM_BuildHostList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    EnsureTahomaFont();
    InitUserColors();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
