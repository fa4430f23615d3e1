// A coupon job over any host text and any printer replies: the split, the coupons and their
// merge, the handling of each reply (with the operator's answers taken from the input) and
// the summary reply. Every coupon begins with the header record, each job ends at most once,
// and its summary is never empty.
//
// Input: lines; the first byte holds the operator's answers (one bit per question, 1 OK),
// the first line is the host text, every further line one reply (an empty line: no reply).
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "devices/CouponJob.h"
#include "devices/CouponStore.h"

namespace {

struct Side : devices::ICouponJobSide {
    std::string ReadScn() override { return scn; }
    void AdvanceScn() override { scn = std::to_string(devices::ReadDecimal64(scn) / 2 + 1); }
    void StoreScnFromReply(const std::string& reply) override {
        const std::int64_t n = devices::ScnInReply(reply);
        if (n > 0 && n < INT64_MAX) scn = std::to_string(n + 1);
    }
    std::string RetrievePectabCode(char) override { return devices::kDefaultPectabCode; }
    char NextSequenceLetter() override { return devices::NextSequenceLetter(letter); }
    std::optional<int> Ask(std::uint32_t, std::uint32_t) override {
        const int answer = (answers >> (asked++ % 8)) & 1 ? 1 : 2;
        return answer;
    }
    void PrintCoupon(const std::string&) override { ++prints; }
    void FinishJob(char, const std::string& d, bool) override {
        if (d.empty()) std::abort();
        ++finished;
    }
    std::string scn = devices::kDefaultScn;
    char letter = 'A';
    unsigned answers = 0;
    unsigned asked = 0;
    int prints = 0;
    int finished = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::vector<std::string> lines(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += static_cast<char>(data[i]);
        }
    }
    Side side;
    side.answers = data[0];
    devices::CCouponJob job;
    job.SplitHostText(lines[0], side);
    job.BuildCoupons(side);
    for (const std::string& c : job.Coupons())
        if (c.compare(0, job.HeaderRecord().size(), job.HeaderRecord()) != 0) std::abort();
    for (const std::string& r : job.Records()) static_cast<void>(job.MergeWithDefaultRecord(r));
    static_cast<void>(job.PrintCurrentCoupon(side));
    for (std::size_t i = 1; i < lines.size() && side.finished == 0; ++i) {
        if (lines[i].empty()) {
            job.OnNoReply(side);
        } else {
            job.OnReply(lines[i], side);
        }
    }
    if (side.finished > 1) std::abort();
    if (job.GenerateDMessageForPrinting(side).empty()) std::abort();
    return 0;
}
