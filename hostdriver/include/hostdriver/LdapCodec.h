// The few directory protocol messages the driver's directory client exchanges (version 3,
// BER): an anonymous bind, a subtree search with an equality filter, its entries and its
// result, and the unbind; the requests are also read back, for the loopback directory that
// tests run. Every decoder checks each length against the bytes it has before taking them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quildrv::ldap {

// Protocol operations by their application tag number.
enum Op : int {
    kBindRequest = 0,
    kBindResponse = 1,
    kUnbindRequest = 2,
    kSearchRequest = 3,
    kSearchResultEntry = 4,
    kSearchResultDone = 5,
};

inline constexpr std::size_t kMaxMessage = 1U << 20;

struct Entry {
    std::string dn;
    std::vector<std::pair<std::string, std::vector<std::string>>> attributes;
};

struct SearchRequest {
    std::string base;
    int scope = 2;
    int timeLimit = 0;
    std::string filterAttribute;
    std::string filterValue;
    std::vector<std::string> attributes;
};

struct Message {
    int id = 0;
    int op = -1;
    int resultCode = -1;   // responses and the search's done
    Entry entry;           // kSearchResultEntry
    SearchRequest search;  // kSearchRequest
    int version = 0;       // kBindRequest
};

std::vector<std::uint8_t> EncodeBindRequest(int id);
std::vector<std::uint8_t> EncodeSearchRequest(int id, const SearchRequest& request);
std::vector<std::uint8_t> EncodeUnbindRequest(int id);
std::vector<std::uint8_t> EncodeEntry(int id, const Entry& entry);
// A response (bind response, search done) with its result code.
std::vector<std::uint8_t> EncodeResult(int id, int op, int resultCode);

// The length of the whole message at the start of the bytes: 0 while more bytes are needed,
// nothing when the start cannot be a message (or it is longer than kMaxMessage).
std::optional<std::size_t> MessageLength(std::span<const std::uint8_t> bytes);
// One whole message; nothing for anything malformed.
std::optional<Message> Decode(std::span<const std::uint8_t> message);

}  // namespace quildrv::ldap
