// The window's share of a completed transfer, on the real corpus repeated to 100,000 and
// 1,000,000 lines:
//  - FillLV: rows found in the raw text, the list view switched to them, scrolled to the last
//    row and one screenful painted with the row colours (what the operator waits for);
//  - the raw view: the received text handed to the raw view and one screenful painted (what
//    ShowLogText does), for 100,000 and 440,000 lines.
#include "views/LogTable.h"
#include "views/RawLogView.h"
#include "views/modUserColor.h"
#include "widgets/ucListView.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

QByteArray corpusLines(int lines) {
    QFile f(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray one = f.readAll().replace("\n", "\r\n");
    QByteArray text;
    text.reserve(one.size() * (lines / 10000 + 1));
    for (qsizetype n = 0; n < lines; n += one.count('\n'))
        text += one;
    return text;
}

void BM_FillLV(benchmark::State& state) {
    const LogText raw(corpusLines(int(state.range(0))));
    LogTable table;
    ucListView lv;
    for (const LVColumn& c : kLVColumns)
        lv.ColumnAdd(c.Column, c.Text.toString(), c.Width);
    lv.setRaiseSubItemPrePaint(true);
    QObject::connect(&lv, &ucListView::OnSubItemPrePaint, &lv,
                     [&](int item, int, SubItemColors* colors) {
                         const CellColors c = table.PrePaint(item, false, true);
                         if (c.Handled) colors->BackColor = c.BackColor;
                         colors->Handled = c.Handled;
                     });
    lv.resize(900, 500);
    lv.show();
    QImage frame(lv.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        lv.Clear();
        table.SetText(raw);
        lv.SetVirtualItems(table.Count(), [&](int i, int s) { return table.Cell(i, s); });
        lv.ItemEnsureVisible(lv.Count() - 1);
        QPainter painter(&frame);
        lv.render(&painter);
    }
    state.counters["lines"] = double(table.Count());
}
BENCHMARK(BM_FillLV)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RawView(benchmark::State& state) {
    const QByteArray raw = corpusLines(int(state.range(0)));
    RawLogView logf;
    logf.resize(900, 500);
    logf.show();
    for (auto _ : state) {
        logf.SetLogText(LogText(raw));
        logf.viewport()->repaint();
    }
    state.counters["MB"] = double(raw.size()) / 1e6;
}
// 440,000 lines are about 100 MB, the size of the transfer benchmark of the service.
BENCHMARK(BM_RawView)
    ->Arg(100000)
    ->Arg(440000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitUserColors();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
