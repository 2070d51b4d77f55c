// Speed of the log line decoder: the real combined-format corpus repeated to 1,000,000 lines and
// held as the console holds a received log (one text, lines ending in CR LF), decoded line by
// line. Reports lines/s (items) and MB/s of log text (bytes, one byte per character as on the
// wire).
#include "core/ansi.h"
#include "records/LogDecoder.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr qsizetype kLines = 1000000;

struct Corpus {
    QString text;
    QList<QStringView> lines;
};

const Corpus& corpus() {
    static const Corpus c = [] {
        QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
            std::exit(1);
        }
        QList<QByteArray> source = file.readAll().split('\n');
        while (!source.isEmpty() && source.last().isEmpty())
            source.removeLast();
        QByteArray raw;
        raw.reserve(kLines * 240);
        for (qsizetype i = 0; i < kLines; ++i) {
            if (i > 0) raw += "\r\n";
            raw += source[i % source.size()];
        }
        Corpus out;
        out.text = ov::fromAnsi(raw);
        out.lines = SplitLines(out.text);
        return out;
    }();
    return c;
}

// Decoding alone, over lines already split.
void BM_DecodeLogLine(benchmark::State& state) {
    const Corpus& c = corpus();
    for (auto _ : state) {
        for (const QStringView line : c.lines) {
            LogRecord rec = DecodeLogLine(line);
            benchmark::DoNotOptimize(rec);
        }
    }
    state.SetItemsProcessed(state.iterations() * c.lines.size());
    state.SetBytesProcessed(state.iterations() * c.text.size());
}
BENCHMARK(BM_DecodeLogLine)->Unit(benchmark::kMillisecond);

// What a view does with a received log: split the text at CR LF, then decode every line.
void BM_SplitAndDecode(benchmark::State& state) {
    const Corpus& c = corpus();
    for (auto _ : state) {
        const QList<QStringView> lines = SplitLines(c.text);
        for (const QStringView line : lines) {
            LogRecord rec = DecodeLogLine(line);
            benchmark::DoNotOptimize(rec);
        }
    }
    state.SetItemsProcessed(state.iterations() * c.lines.size());
    state.SetBytesProcessed(state.iterations() * c.text.size());
}
BENCHMARK(BM_SplitAndDecode)->Unit(benchmark::kMillisecond);

void BM_FormatSize(benchmark::State& state) {
    double bytes = 0;
    for (auto _ : state) {
        QString text = FormatSize(bytes);
        benchmark::DoNotOptimize(text);
        bytes = bytes > 5e9 ? 0 : std::floor(bytes * 1.7 + 1); // sizes are whole bytes
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatSize);

} // namespace

BENCHMARK_MAIN();
