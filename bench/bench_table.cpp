// Filling the table from a received log: the raw text's lines are indexed (LogText) and the list
// view then paints one screen of rows. After filling, the view scrolls to the last row, so the
// screen painted is the last 40 rows, each cell asked for its text and its colours (users
// coloured).
#include "views/LogTable.h"

#include "views/modUserColor.h"

#include <QFile>
#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

constexpr int kScreenRows = 40;

// The corpus repeated to lines lines, CR LF between lines as the raw view holds them.
const QByteArray& rawLog(int lines) {
    static QByteArray cached;
    static int cachedLines = -1;
    if (cachedLines == lines) return cached;
    QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    if (!file.open(QIODevice::ReadOnly)) return cached = QByteArray();
    QList<QByteArray> corpus = file.readAll().split('\n');
    if (!corpus.isEmpty() && corpus.constLast().isEmpty()) corpus.removeLast();
    QList<QByteArray> all;
    all.reserve(lines);
    while (all.size() < lines)
        all << corpus.mid(0, lines - all.size());
    cached = all.join("\r\n");
    cachedLines = lines;
    return cached;
}

void BM_FillTable(benchmark::State& state) {
    InitUserColors();
    const QByteArray& text = rawLog(static_cast<int>(state.range(0)));
    if (text.isEmpty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    for (auto _ : state) {
        const LogTable table{LogText(text)};
        qsizetype chars = 0;
        for (int row = table.Count() - kScreenRows; row < table.Count(); ++row)
            for (int column = 0; column < 4; ++column) {
                const CellColors colors = table.PrePaint(row, true, true);
                chars += table.Cell(row, column).size() + colors.BackColor;
            }
        benchmark::DoNotOptimize(chars);
        state.counters["rows"] = table.Count();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * text.size());
}

} // namespace

BENCHMARK(BM_FillTable)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
