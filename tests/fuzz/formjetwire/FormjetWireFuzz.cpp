// Both ends of the forms printer line over any bytes: the library's answer reader (fed in
// pieces) and the simulated printer's request cutter. A frame either reads back as what it
// encodes to, or its check fails; neither end allocates more than a frame can carry.
//
// Input: one byte of options (the piece size), the rest the line's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formjet/FormjetWire.h"
#include "printersim/FormPrinter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t piece = data[0] + 1u;
    formjet::wire::Reader reader;
    std::vector<formjet::wire::Frame> frames;
    for (std::size_t pos = 1; pos < size; pos += piece) {
        reader.Feed({data + pos, std::min(piece, size - pos)}, frames);
    }
    std::vector<std::uint8_t> in(data + 1, data + size);
    std::size_t cut = 0;
    printersim::FormRequest request;
    bool bCheckOk = false;
    while (printersim::CutFormRequest(in, request, bCheckOk)) {
        if (cut >= frames.size()) std::abort();  // both ends find the same frames
        const formjet::wire::Frame& f = frames[cut++];
        if (f.checkOk != bCheckOk || f.letter != static_cast<std::uint8_t>(request.letter) ||
            f.sequence != request.sequence ||
            !std::equal(f.payload.begin(), f.payload.end(), request.payload.begin(),
                        request.payload.end(),
                        [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); })) {
            std::abort();
        }
        if (f.checkOk) {
            std::vector<std::uint8_t> again;
            if (!formjet::wire::Encode(f.letter, f.sequence, f.payload, again)) std::abort();
        }
    }
    if (cut != frames.size()) std::abort();
    return 0;
}
