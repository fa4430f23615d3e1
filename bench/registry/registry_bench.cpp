// The cost of writing a DWORD that the store already holds (done on every acknowledged
// message) against writing one that changes (a locked, flushed file replacement). Prints
// the unchanged / changed time ratio: an unchanged write must be far cheaper, since it makes
// no system call at all (strace -c of --benchmark_filter=SetDWORDUnchanged shows it: at most
// one stat per millisecond). The same for the record the host link writes at every
// acknowledgement, where each value opens its key for writing (one stat per open). Also
// reads and writes a hive of 100,000 keys, in the writer's order and reversed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "core/HostTrevoRegistry.h"
#include "core/Registry.h"
#include "core/RegistryDirect.h"
#include "platform/RegistryFile.h"

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

// The temporary-hold record of a device after a normal acknowledgement, as the host link
// writes it: two values, each through a facade of its own that opens the key for writing.
void BM_HoldRecordUnchanged(benchmark::State& state) {
    core::CHostTrevoRegistry registry;
    const std::string key = std::string(CRegistry::kApplicationKey) + "\\LPT1";
    bool ok =
        registry.SetDWORD(key, "Temp Hold", 0) && registry.SetString(key, "Temp Hold Ltsn", "   ");
    for (auto _ : state) {
        ok = registry.SetDWORD(key, "Temp Hold", 0) && ok;
        ok = registry.SetString(key, "Temp Hold Ltsn", "   ") && ok;
    }
    if (!ok) state.SkipWithError("the record was not written");
}
BENCHMARK(BM_HoldRecordUnchanged);

// A hive of 100,000 keys, ten thousand under each of ten parents, written in an order the
// writer would not choose: reading it back must take time in proportion to its size.
std::string LargeHive() {
    platform::RegistryKey root;
    platform::RegistryKey& software = root.AddSubkey("Software");
    for (int p = 0; p < 10; ++p) {
        platform::RegistryKey& parent = software.AddSubkey("Parent " + std::to_string(p));
        for (int k = 0; k < 10000; ++k) {
            const std::uint8_t value[4] = {static_cast<std::uint8_t>(k), 0, 0, 0};
            parent.AddSubkey("Key " + std::to_string((k * 7919) % 10000))
                .SetValue("Value", platform::REG_DWORD, value);
        }
    }
    return platform::RegistryFile::Serialize(root, "HKEY_LOCAL_MACHINE");
}

// The same hive with its sections in reverse order.
std::string Reversed(const std::string& text) {
    std::vector<std::string> sections;
    std::size_t at = text.find("\n[");
    const std::string head = text.substr(0, at + 1);
    while (at != std::string::npos) {
        const std::size_t next = text.find("\n[", at + 1);
        sections.push_back(
            text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    std::string out = head;
    for (auto it = sections.rbegin(); it != sections.rend(); ++it) out += *it;
    return out;
}

void BM_ParseHive100k(benchmark::State& state) {
    const std::string text = state.range(0) ? Reversed(LargeHive()) : LargeHive();
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    for (auto _ : state) {
        platform::RegistryKey root;
        std::string error;
        if (!platform::RegistryFile::Parse(bytes, "HKEY_LOCAL_MACHINE", root, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(root.subkeys().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseHive100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SerializeHive100k(benchmark::State& state) {
    const std::string text = LargeHive();
    platform::RegistryKey root;
    std::string error;
    (void)platform::RegistryFile::Parse(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
        "HKEY_LOCAL_MACHINE", root, error);
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::RegistryFile::Serialize(root, "HKEY_LOCAL_MACHINE"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SerializeHive100k)->Unit(benchmark::kMillisecond);

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
        const double record = reporter.Time("BM_HoldRecordUnchanged");
        if (record > 0.0 && changed > 0.0) {
            std::printf(
                "Unchanged hold record (two values, each opening its key) / one changed "
                "RegistrySetDWORD time ratio: %.5f (%.0f times cheaper)\n",
                record / changed, changed / record);
        }
    });
    return 0;
}
