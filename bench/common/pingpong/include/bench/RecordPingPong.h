// The baseline of the QUIL provider benchmarks: a raw ping-pong of one host record over a
// loopback TCP connection, with a peer that sends each record back as soon as it has it.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

// The record a provider sends for an entry of `letters` letters from terminal 1A2B01: the
// headers, the letters in host code and the end-of-message code.
[[nodiscard]] std::vector<std::uint8_t> QuilDataRecord(std::size_t letters);

// One iteration sends `wire` and reads the peer's copy of it whole.
void RecordPingPong(benchmark::State& state, const std::vector<std::uint8_t>& wire);

}  // namespace bench
