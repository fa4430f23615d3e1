// A byte message owned by whoever made it, passed between the connection library, the host
// control and the providers. It is a list of owned blocks; each block may hide a number of
// its leading bytes (its mask). Every read sees only the unmasked bytes, as one contiguous
// sequence; positions count in that sequence. Every position and length is checked: a read
// or write outside the message changes nothing and answers an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CMessage {
public:
    enum Error : int {
        MSG_OK = 0,
        MSG_OUT_OF_RANGE = 1,  // a position or length outside the message or block
        MSG_TOO_LONG = 2,      // the message would grow beyond its maximum size
        MSG_BAD_ARGUMENT = 3,  // a null buffer or a negative length
    };

    static constexpr int kDefaultMaxSize = 1 << 24;

    CMessage() = default;
    // Room for `initialSize` bytes at first; never more than `maxSize` unmasked and masked
    // bytes together.
    CMessage(int initialSize, int maxSize);

    [[nodiscard]] int GetLength() const noexcept;  // unmasked bytes
    [[nodiscard]] int GetBlockCount() const noexcept { return static_cast<int>(m_blocks.size()); }
    [[nodiscard]] int GetMaxSize() const noexcept { return m_maxSize; }

    Error AddData(const std::string& text);
    Error AddData(const unsigned char* data, int length);
    Error AddChar(unsigned char c);
    // A block of its own holding a copy of `length` bytes of `buffer`, its first `masked`
    // bytes hidden.
    Error AddUserBuffer(const unsigned char* buffer, unsigned int length, int masked);
    // Hides the first `masked` bytes of block `block` (0 shows them all again).
    Error MaskBlock(int block, int masked);

    Error GetDataAt(int position, unsigned char* buffer, int length) const;
    Error GetCharAt(int position, unsigned char* c) const;
    Error PutCharAt(int position, unsigned char c);
    // All unmasked bytes.
    Error GetData(std::string& text) const;
    // A pointer to `length` contiguous unmasked bytes from `position`, valid until the
    // message next changes; null when the range is outside the message. Blocks the range
    // crosses are joined into one first.
    [[nodiscard]] unsigned char* GetDataPtrAt(int position, int length);
    void Clear() noexcept;

private:
    struct Block {
        std::vector<std::uint8_t> bytes;
        std::size_t masked = 0;
        bool user = false;  // made by AddUserBuffer: appends open a new block after it
        [[nodiscard]] std::size_t Visible() const noexcept { return bytes.size() - masked; }
    };

    // The block holding unmasked position `position` and the offset in its visible bytes.
    [[nodiscard]] bool Locate(std::size_t position, std::size_t& block,
                              std::size_t& offset) const noexcept;
    [[nodiscard]] std::size_t Stored() const noexcept;
    // Whether `more` bytes may still be added.
    [[nodiscard]] bool Fits(std::size_t more) const noexcept;
    Error Append(const std::uint8_t* data, std::size_t length);
    // Joins the unmasked bytes of every block into one unmasked block.
    void Join();

    std::vector<Block> m_blocks;
    int m_initialSize = 0;
    int m_maxSize = kDefaultMaxSize;
};
