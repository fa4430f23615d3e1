// Baselines of the provider benchmarks: raw ping-pongs over a loopback TCP connection with a
// peer that answers as soon as it has what it waits for. The QUIL providers' is one host
// record sent back; the binary-transport providers' is rounds of packets or frames of given
// sizes.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace bench {

// The record a provider sends for an entry of `letters` letters from terminal 1A2B01: the
// headers, the letters in host code and the end-of-message code.
[[nodiscard]] std::vector<std::uint8_t> QuilDataRecord(std::size_t letters);

// One iteration sends `wire` and reads the peer's copy of it whole.
void RecordPingPong(benchmark::State& state, const std::vector<std::uint8_t>& wire);

// Rounds of an exchange: the client sends `first` bytes and the peer answers at once with
// `second` bytes (none when 0).
using Rounds = std::vector<std::pair<std::size_t, std::size_t>>;

// One iteration plays every round, both ends sending at once (no coalescing of small
// writes); a round that fails ends the run with `lost`.
void RoundsPingPong(benchmark::State& state, const Rounds& rounds, const char* lost);

}  // namespace bench
