// Bus throughput through the real adapters over the simulated crate's
// stand-in libraries (zero latency), and what the bus lock costs.
// The executable lives beside the stand-ins, so the adapters find them there.
#include "BusTransaction.h"
#include "V1718.h"
#include "VmUsb.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int A16 = 0x29;
constexpr quint32 VendorIdHigh = 0x4000 + 0x5C;

template<typename Adapter> void read16(benchmark::State &state)
{
    Adapter adapter;
    if (!adapter.isConnected()) {
        state.SkipWithError("no bridge");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(adapter.read16(VendorIdHigh, A16));
    state.SetItemsProcessed(state.iterations());
}

template<typename Adapter> void write16(benchmark::State &state)
{
    Adapter adapter;
    if (!adapter.isConnected()) {
        state.SkipWithError("no bridge");
        return;
    }
    // Channel 0 voltage-set high word of the layout-20 module.
    const quint32 address = 0x4000 + 0x60 + 0x08;
    for (auto _ : state)
        benchmark::DoNotOptimize(adapter.write16(address, A16, 0x4000));
    state.SetItemsProcessed(state.iterations());
}

// One 32-bit register read: two D16 cycles, with and without the transaction
// guard the module layer holds around them.
void read32(benchmark::State &state, bool guarded)
{
    VmUsb adapter;
    for (auto _ : state) {
        if (guarded) {
            BusTransaction transaction(&adapter);
            benchmark::DoNotOptimize(adapter.read16(VendorIdHigh, A16));
            benchmark::DoNotOptimize(adapter.read16(VendorIdHigh + 2, A16));
        } else {
            benchmark::DoNotOptimize(adapter.read16(VendorIdHigh, A16));
            benchmark::DoNotOptimize(adapter.read16(VendorIdHigh + 2, A16));
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The bare lock: take and release an uncontended recursive mutex.
void lockOnly(benchmark::State &state)
{
    VmUsb adapter;
    for (auto _ : state) {
        BusTransaction transaction(&adapter);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK_TEMPLATE(read16, VmUsb);
BENCHMARK_TEMPLATE(read16, V1718);
BENCHMARK_TEMPLATE(write16, VmUsb);
BENCHMARK_TEMPLATE(write16, V1718);
BENCHMARK_CAPTURE(read32, guarded, true);
BENCHMARK_CAPTURE(read32, unguarded, false);
BENCHMARK(lockOnly);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
