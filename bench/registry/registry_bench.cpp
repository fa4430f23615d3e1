// The cost of writing a DWORD that the store already holds (done on every acknowledged
// message) against writing one that changes (a locked, flushed file replacement). Prints
// the unchanged / changed time ratio: an unchanged write must be far cheaper, since it does
// no file I/O at all.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "core/Registry.h"
#include "core/RegistryDirect.h"

namespace {

const char* const kDeviceKey =
    "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA\\Devices\\LPT1";

// A store of realistic size: forty devices with their settings.
void FillStore() {
    CRegistryDirect registry;
    for (int d = 0; d < 40; ++d) {
        const std::string key = std::string(kDeviceKey) + (d ? std::to_string(d) : "");
        platform::HKEY created = nullptr;
        if (platform::RegCreateKey(platform::HKEY_LOCAL_MACHINE, key.c_str(), &created) == 0)
            platform::RegCloseKey(created);
        (void)registry.RegistryOpen(key, false);
        for (int v = 0; v < 20; ++v)
            (void)registry.RegistrySetDWORD("Setting " + std::to_string(v), v, true, false);
        (void)registry.RegistrySetString("Device Type", "Port Printer", true, false);
        (void)registry.RegistryClose();
    }
}

void BM_SetDWORDUnchanged(benchmark::State& state) {
    CRegistryDirect registry;
    (void)registry.RegistryOpen(kDeviceKey, false);
    (void)registry.RegistrySetDWORD("Last TSN", 7, true, false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(registry.RegistrySetDWORD("Last TSN", 7, true, false));
    }
    (void)registry.RegistryClose();
}
BENCHMARK(BM_SetDWORDUnchanged);

void BM_SetDWORDChanged(benchmark::State& state) {
    CRegistryDirect registry;
    (void)registry.RegistryOpen(kDeviceKey, false);
    platform::DWORD value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(registry.RegistrySetDWORD("Last TSN", ++value, true, false));
    }
    (void)registry.RegistryClose();
}
BENCHMARK(BM_SetDWORDChanged);

}  // namespace

int main(int argc, char** argv) {
    // Its own machine root, removed at the end.
    const bench::OwnMachineRoot root("trevo-bench-registry-");
    FillStore();

    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double unchanged = reporter.Time("BM_SetDWORDUnchanged");
        const double changed = reporter.Time("BM_SetDWORDChanged");
        if (unchanged > 0.0 && changed > 0.0) {
            std::printf(
                "RegistrySetDWORD unchanged / changed time ratio: %.5f (changed is %.0f times "
                "dearer)\n",
                unchanged / changed, changed / unchanged);
        }
    });
    return 0;
}
