#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "toolkit/MTRand.h"
#include "toolkit/Random.h"

namespace {

// The generator as its authors published it in C, written here a second time in their
// array-and-index style, so that the class is checked against an independent computation.
class Reference {
public:
    void InitByArray(const std::vector<std::uint32_t>& key) {
        InitGenrand(19650218U);
        std::size_t i = 1;
        std::size_t j = 0;
        for (std::size_t k = (kN > key.size() ? kN : key.size()); k != 0; --k) {
            mt_[i] = (mt_[i] ^ ((mt_[i - 1] ^ (mt_[i - 1] >> 30)) * 1664525U)) + key[j] +
                     static_cast<std::uint32_t>(j);
            if (++i >= kN) {
                mt_[0] = mt_[kN - 1];
                i = 1;
            }
            if (++j >= key.size()) {
                j = 0;
            }
        }
        for (std::size_t k = kN - 1; k != 0; --k) {
            mt_[i] = (mt_[i] ^ ((mt_[i - 1] ^ (mt_[i - 1] >> 30)) * 1566083941U)) -
                     static_cast<std::uint32_t>(i);
            if (++i >= kN) {
                mt_[0] = mt_[kN - 1];
                i = 1;
            }
        }
        mt_[0] = 0x80000000U;
    }

    std::uint32_t GenrandInt32() {
        static const std::uint32_t mag01[2] = {0x0U, 0x9908b0dfU};
        if (mti_ >= kN) {
            std::size_t kk = 0;
            std::uint32_t y = 0;
            for (; kk < kN - kM; ++kk) {
                y = (mt_[kk] & 0x80000000U) | (mt_[kk + 1] & 0x7fffffffU);
                mt_[kk] = mt_[kk + kM] ^ (y >> 1) ^ mag01[y & 0x1U];
            }
            for (; kk < kN - 1; ++kk) {
                y = (mt_[kk] & 0x80000000U) | (mt_[kk + 1] & 0x7fffffffU);
                mt_[kk] = mt_[kk + kM - kN] ^ (y >> 1) ^ mag01[y & 0x1U];
            }
            y = (mt_[kN - 1] & 0x80000000U) | (mt_[0] & 0x7fffffffU);
            mt_[kN - 1] = mt_[kM - 1] ^ (y >> 1) ^ mag01[y & 0x1U];
            mti_ = 0;
        }
        std::uint32_t y = mt_[mti_++];
        y ^= (y >> 11);
        y ^= (y << 7) & 0x9d2c5680U;
        y ^= (y << 15) & 0xefc60000U;
        y ^= (y >> 18);
        return y;
    }

private:
    static constexpr std::size_t kN = 624;
    static constexpr std::size_t kM = 397;

    void InitGenrand(std::uint32_t s) {
        mt_[0] = s;
        for (mti_ = 1; mti_ < kN; ++mti_) {
            mt_[mti_] = 1812433253U * (mt_[mti_ - 1] ^ (mt_[mti_ - 1] >> 30)) +
                        static_cast<std::uint32_t>(mti_);
        }
    }

    std::uint32_t mt_[kN] = {};
    std::size_t mti_ = kN + 1;
};

TEST(MTRandTest, FirstOutputsOfThePublishedKeyMatchTheReference) {
    const std::uint32_t key[4] = {0x123, 0x234, 0x345, 0x456};
    UTKTools::MTRand rand;
    rand.seed(key, 4);
    const std::uint32_t published[5] = {1067595299U, 955945823U, 477289528U, 4107218783U,
                                        4228976476U};
    for (const std::uint32_t expected : published) {
        EXPECT_EQ(rand.randInt(), expected);
    }
}

TEST(MTRandTest, SequencesFollowTheReferenceAcrossSeveralBlocks) {
    const std::vector<std::vector<std::uint32_t>> keys = {
        {0x123, 0x234, 0x345, 0x456},
        {0},
        std::vector<std::uint32_t>(624, 0xDEADBEEF),
        std::vector<std::uint32_t>(700, 7),  // longer than the state
    };
    for (const auto& key : keys) {
        SCOPED_TRACE(key.size());
        Reference reference;
        reference.InitByArray(key);
        UTKTools::MTRand rand;
        rand.seed(key.data(), static_cast<int>(key.size()));
        // 2,000 outputs: the 625th and the 1,249th come from freshly regenerated blocks.
        for (int i = 0; i < 2000; ++i) {
            ASSERT_EQ(rand.randInt(), reference.GenrandInt32()) << "output " << i;
        }
    }
}

}  // namespace

namespace {

std::vector<std::uint32_t> Key(std::int64_t seconds, std::uint32_t ms, std::uint32_t pid) {
    std::uint32_t key[UTKTools::MTRand::N];
    UTKTools::CRandom::BuildSeedKey(seconds, ms, pid, key);
    return std::vector<std::uint32_t>(key, key + UTKTools::MTRand::N);
}

TEST(RandomTest, TheSeedKeyMixesClockAndProcess) {
    const auto key = Key(1700000000, 250, 4242);
    const std::uint32_t now = static_cast<std::uint32_t>(1700000000ULL * 1000 + 250);
    EXPECT_EQ(key[0], now + 4242U);
    EXPECT_EQ(key[623], now + 4242U + 23U * 623U);

    // Same millisecond, another process: another sequence.
    UTKTools::MTRand a;
    UTKTools::MTRand b;
    const auto other = Key(1700000000, 250, 4243);
    a.seed(key.data(), UTKTools::MTRand::N);
    b.seed(other.data(), UTKTools::MTRand::N);
    int same = 0;
    for (int i = 0; i < 100; ++i) {
        same += a.randInt() == b.randInt() ? 1 : 0;
    }
    EXPECT_LT(same, 3);

    // A fixed key gives the reference's sequence.
    Reference reference;
    reference.InitByArray(key);
    UTKTools::MTRand fixed;
    fixed.seed(key.data(), UTKTools::MTRand::N);
    for (int i = 0; i < 700; ++i) {
        ASSERT_EQ(fixed.randInt(), reference.GenrandInt32()) << i;
    }
}

TEST(RandomTest, ThreadsShareOneSequence) {
    constexpr int kThreads = 4;
    constexpr int kDraws = 1000;
    std::vector<std::vector<std::int32_t>> drawn(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&drawn, t] {
            for (int i = 0; i < kDraws; ++i) {
                drawn[static_cast<std::size_t>(t)].push_back(UTKTools::CRandom::Get());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::set<std::int32_t> all;
    for (const auto& values : drawn) {
        all.insert(values.begin(), values.end());
    }
    // One sequence handed out piece by piece: no draw is given twice.
    EXPECT_GT(all.size(), static_cast<std::size_t>(kThreads * kDraws - 2));
}

}  // namespace
