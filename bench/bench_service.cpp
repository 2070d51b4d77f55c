// Log transfer speed: the real ovservice serving a 100 MB log (the corpus repeated) to the real
// CSocketMaster and ServiceConversation over loopback, with small and large chunks; and the
// cost of joining a 100 MB transfer and turning its markers into line ends.
//
//   bench_service [--benchmark_filter=...]
#include "link/CSocketMaster.h"
#include "link/ServiceConversation.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

constexpr qint64 kLogBytes = qint64(100) << 20;

double PeakRssMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// The corpus repeated into a temporary file of at least 100 MiB, made once.
struct BigLog {
    QTemporaryDir dir;
    QString path;
    qint64 bytes = 0;
    qint64 lines = 0;

    BigLog() {
        QFile corpus(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
        if (!corpus.open(QIODevice::ReadOnly)) return;
        const QByteArray once = corpus.readAll();
        path = dir.filePath(QStringLiteral("access.log"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly)) return;
        while (bytes < kLogBytes) {
            out.write(once);
            bytes += once.size();
            lines += once.count('\n');
        }
    }
    static BigLog& Get() {
        static BigLog log;
        return log;
    }
};

// ovservice on a system-chosen port, serving the big log's folder; started once.
struct Service {
    QProcess process;
    quint16 port = 0;

    Service() {
        process.start(QStringLiteral(OV_BIN_DIR "/ovservice"),
                      {"--port", "0", "--allow", BigLog::Get().dir.path()});
        process.setStandardErrorFile(QProcess::nullDevice());
        if (!process.waitForReadyRead(30000)) return;
        const auto m = QRegularExpression(QStringLiteral("listening on (\\d+)"))
                           .match(QString::fromLatin1(process.readLine()));
        if (m.hasMatch()) port = quint16(m.captured(1).toUInt());
    }
    ~Service() {
        process.terminate();
        process.waitForFinished(30000);
    }
    static Service& Get() {
        static Service service;
        return service;
    }
};

// The console's link without a window; it keeps only the length of what it was shown.
class Console : public ConversationHost {
public:
    Console() : conversation(*this) {
        QObject::connect(&socket, &CSocketMasterEvents::Connect,
                         [this] { conversation.OnConnected(); });
        QObject::connect(&socket, &CSocketMasterEvents::DataArrival,
                         [this](qint32) { conversation.OnDataArrival(socket.GetDataBytes()); });
        QObject::connect(&socket, &CSocketMasterEvents::CloseSck, [this] { CloseConnection(); });
    }
    void SendText(const QString& text) override { socket.SendData(text); }
    void AddLog(const QString&) override {}
    void ShowLogText(QByteArray text) override {
        shownLength = text.size();
        loop.quit();
    }
    void RefreshViews() override {}
    void CloseConnection() override {
        socket.CloseSck();
        loop.quit();
    }
    QString NumBytesText() const override { return numBytes; }
    QString LogPathText() const override { return BigLog::Get().path; }

    CSocketMaster socket;
    ServiceConversation conversation;
    QEventLoop loop;
    QString numBytes;
    qsizetype shownLength = -1;
};

void BM_Transfer(benchmark::State& state) {
    const BigLog& log = BigLog::Get();
    const quint16 port = Service::Get().port;
    if (log.bytes == 0 || port == 0) return state.SkipWithError("no log or no service");
    for (auto _ : state) {
        Console console;
        console.numBytes = QString::number(state.range(0));
        QTimer limit;
        QObject::connect(&limit, &QTimer::timeout, &console.loop, &QEventLoop::quit);
        limit.start(600000);
        console.socket.Connect(QStringLiteral("127.0.0.1"), ov::SocketVariant(qint32(port)));
        console.loop.exec();                              // until the whole log is shown
        if (console.shownLength != log.bytes + log.lines) // each LF became CR LF
            return state.SkipWithError("transfer incomplete");
        state.PauseTiming();
        console.conversation.RequestDisconnect();
        console.loop.exec(); // until "disc"
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * log.bytes);
    state.counters["MB/s"] = benchmark::Counter(double(state.iterations() * log.bytes) / 1e6,
                                                benchmark::Counter::kIsRate);
    state.counters["peak_rss_MB"] = PeakRssMB();
}
BENCHMARK(BM_Transfer)
    ->Arg(2000)
    ->Arg(1048576)
    ->Iterations(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// A 100 MiB transfer as it arrives: sized 1 MiB chunks into LogBuffer, then "log.", which
// replaces every marker in one pass and hands the text over.
class NullHost : public ConversationHost {
public:
    void SendText(const QString&) override {}
    void AddLog(const QString&) override {}
    void ShowLogText(QByteArray text) override { shownLength = text.size(); }
    void RefreshViews() override {}
    void CloseConnection() override {}
    QString NumBytesText() const override { return {}; }
    QString LogPathText() const override { return {}; }
    qsizetype shownLength = 0;
};

QByteArray EncodedText() {
    const BigLog& log = BigLog::Get();
    QFile f(log.path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().replace('\n', "<|br\\>");
}

void BM_JoinAndReplace(benchmark::State& state) {
    const QByteArray text = EncodedText();
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    for (auto _ : state) {
        NullHost host;
        ServiceConversation conversation(host);
        for (qsizetype at = 0; at < text.size(); at += kChunk) {
            const QByteArray chunk = text.mid(at, kChunk);
            const int n = std::countr_zero(quint64(chunk.size()));
            if ((qsizetype(1) << n) == chunk.size())
                conversation.OnDataArrival("logd" + QByteArray(1, char('A' + n)) + chunk);
            else
                conversation.OnDataArrival("logd " + chunk);
        }
        conversation.OnDataArrival("log.");
        benchmark::DoNotOptimize(host.shownLength);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["peak_rss_MB"] = PeakRssMB();
}
BENCHMARK(BM_JoinAndReplace)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The replacement alone, on 100 MiB of text already joined.
void BM_ExpandLineBreaks(benchmark::State& state) {
    const QByteArray text = EncodedText();
    for (auto _ : state) {
        state.PauseTiming();
        QByteArray work = text;
        work.data(); // an unshared copy, as LogBuffer is
        state.ResumeTiming();
        benchmark::DoNotOptimize(ExpandLineBreaks(std::move(work)).size());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ExpandLineBreaks)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
