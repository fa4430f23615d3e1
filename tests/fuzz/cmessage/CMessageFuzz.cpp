// Messages built from received packets: the input is a script of block operations (add
// text, add a masked user buffer, mask a block, read or write at a position, take a
// pointer). A model of the unmasked bytes is kept beside the message; every read must agree
// with it, and nothing may read or write outside the message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "brxconn/CMessage.h"

namespace {

struct Block {
    std::string bytes;
    std::size_t masked = 0;
};

std::string Visible(const std::vector<Block>& blocks) {
    std::string out;
    for (const Block& b : blocks) out += b.bytes.substr(b.masked);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kMax = 4096;
    CMessage message(16, kMax);
    std::vector<Block> model;
    bool lastPlain = false;  // the last block takes appended text
    std::size_t i = 0;
    auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        const std::uint8_t op = next() % 6;
        const int a = next();
        const int b = next();
        switch (op) {
            case 0: {  // add text of length a
                std::string text;
                for (int k = 0; k < a && i < size; ++k) text.push_back(static_cast<char>(next()));
                std::size_t stored = 0;
                for (const Block& blk : model) stored += blk.bytes.size();
                const auto rc = message.AddData(text);
                if ((stored + text.size() <= kMax) != (rc == CMessage::MSG_OK)) std::abort();
                if (rc == CMessage::MSG_OK && !text.empty()) {
                    if (model.empty() || !lastPlain) {
                        model.push_back({text, 0});
                        lastPlain = true;
                    } else {
                        model.back().bytes += text;
                    }
                }
                break;
            }
            case 1: {  // a user buffer of a bytes, b of them masked
                std::string buffer;
                for (int k = 0; k < a && i < size; ++k) buffer.push_back(static_cast<char>(next()));
                const auto rc =
                    message.AddUserBuffer(reinterpret_cast<const unsigned char*>(buffer.data()),
                                          static_cast<unsigned>(buffer.size()), b);
                if (rc == CMessage::MSG_OK) {
                    if (static_cast<std::size_t>(b) > buffer.size()) std::abort();
                    model.push_back({buffer, static_cast<std::size_t>(b)});
                    lastPlain = false;
                }
                break;
            }
            case 2: {  // mask block a with b bytes
                const auto rc = message.MaskBlock(a % 8, b);
                const bool fits = static_cast<std::size_t>(a % 8) < model.size() &&
                                  static_cast<std::size_t>(b) <= model[a % 8].bytes.size();
                if (fits != (rc == CMessage::MSG_OK)) std::abort();
                if (fits) model[a % 8].masked = static_cast<std::size_t>(b);
                break;
            }
            case 3: {  // read b bytes at a
                unsigned char buffer[256];
                const std::string visible = Visible(model);
                const auto rc = message.GetDataAt(a, buffer, b);
                const bool fits = static_cast<std::size_t>(a) + b <= visible.size();
                if (fits != (rc == CMessage::MSG_OK)) std::abort();
                if (fits && visible.compare(a, b, reinterpret_cast<char*>(buffer), b) != 0)
                    std::abort();
                break;
            }
            case 4: {  // write a byte at a
                const std::string visible = Visible(model);
                const auto rc = message.PutCharAt(a, static_cast<unsigned char>(b));
                if ((static_cast<std::size_t>(a) < visible.size()) != (rc == CMessage::MSG_OK))
                    std::abort();
                if (rc == CMessage::MSG_OK) {
                    std::size_t pos = static_cast<std::size_t>(a);
                    for (Block& blk : model) {
                        const std::size_t n = blk.bytes.size() - blk.masked;
                        if (pos < n) {
                            blk.bytes[blk.masked + pos] = static_cast<char>(b);
                            break;
                        }
                        pos -= n;
                    }
                }
                break;
            }
            default: {  // a pointer to b bytes at a (joins blocks it crosses)
                const std::string visible = Visible(model);
                const int blocks = message.GetBlockCount();
                unsigned char* p = message.GetDataPtrAt(a, b);
                const bool fits = b > 0 && static_cast<std::size_t>(a) + b <= visible.size();
                if (fits != (p != nullptr)) std::abort();
                if (p && visible.compare(a, b, reinterpret_cast<char*>(p), b) != 0) std::abort();
                std::string after;
                static_cast<void>(message.GetData(after));
                if (after != visible) std::abort();
                if (blocks != message.GetBlockCount()) {
                    model = {{visible, 0}};
                    lastPlain = true;
                }
                break;
            }
        }
        std::string all;
        static_cast<void>(message.GetData(all));
        if (all != Visible(model) || message.GetLength() != static_cast<int>(all.size()))
            std::abort();
    }
    return 0;
}
