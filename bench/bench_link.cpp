// Loopback throughput of the socket object: one object sends 1 MB messages with SendData, the
// other takes them out in its DataArrival handler with GetData, as the console does with a log
// transfer. Reported as MB/s (10^6 bytes per second) of delivered data.
#include "link/CSocketMaster.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr qsizetype kMessage = 1024 * 1024;

// A connected pair made through Listen and Accept on 127.0.0.1.
struct Pair {
    CSocketMaster server;
    CSocketMaster sender;
    CSocketMaster receiver;

    Pair() {
        server.Listen();
        QObject::connect(&server, &CSocketMaster::ConnectionRequest,
                         [this](qint32 id) { receiver.Accept(id); });
        sender.Connect(QStringLiteral("127.0.0.1"), server.LocalPort());
        while (sender.State() != CSocketMaster::sckConnected ||
               receiver.State() != CSocketMaster::sckConnected)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

template <bool AsText> void BM_LoopbackSendGet(benchmark::State& state) {
    Pair pair;
    qint64 received = 0;
    QObject::connect(&pair.receiver, &CSocketMaster::DataArrival, [&] {
        if constexpr (AsText) {
            received += pair.receiver.GetDataText().size();
        } else {
            ov::SocketVariant bytes = QByteArray();
            pair.receiver.GetData(bytes);
            received += std::get<QByteArray>(bytes).size();
        }
    });
    const QByteArray message(kMessage, 'x');
    qint64 target = 0;
    for (auto _ : state) {
        target += kMessage;
        pair.sender.SendData(message);
        while (received < target)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    state.SetBytesProcessed(received);
    state.counters["MB/s"] =
        benchmark::Counter(double(received) / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_LoopbackSendGet<false>)
    ->Name("LoopbackSendGetData/bytes")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoopbackSendGet<true>)
    ->Name("LoopbackSendGetData/text")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
