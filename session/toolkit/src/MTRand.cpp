#include "toolkit/MTRand.h"

namespace UTKTools {

void MTRand::initialize(std::uint32_t seed) {
    m_state[0] = seed;
    for (int i = 1; i < N; ++i) {
        const std::uint32_t prev = m_state[i - 1];
        m_state[i] = 1812433253U * (prev ^ (prev >> 30)) + static_cast<std::uint32_t>(i);
    }
}

void MTRand::seed(const std::uint32_t* key, int length) {
    initialize(19650218U);
    if (key == nullptr || length < 1) {
        reload();
        return;
    }
    int i = 1;
    int j = 0;
    for (int k = (N > length ? N : length); k > 0; --k) {
        const std::uint32_t prev = m_state[i - 1];
        m_state[i] = (m_state[i] ^ ((prev ^ (prev >> 30)) * 1664525U)) + key[j] +
                     static_cast<std::uint32_t>(j);
        ++i;
        ++j;
        if (i >= N) {
            m_state[0] = m_state[N - 1];
            i = 1;
        }
        if (j >= length) {
            j = 0;
        }
    }
    for (int k = N - 1; k > 0; --k) {
        const std::uint32_t prev = m_state[i - 1];
        m_state[i] =
            (m_state[i] ^ ((prev ^ (prev >> 30)) * 1566083941U)) - static_cast<std::uint32_t>(i);
        ++i;
        if (i >= N) {
            m_state[0] = m_state[N - 1];
            i = 1;
        }
    }
    m_state[0] = 0x80000000U;
    reload();
}

void MTRand::reload() {
    int k = 0;
    for (; k < N - M; ++k) {
        m_state[k] = twist(m_state[k + M], m_state[k], m_state[k + 1]);
    }
    for (; k < N - 1; ++k) {
        m_state[k] = twist(m_state[k + M - N], m_state[k], m_state[k + 1]);
    }
    m_state[N - 1] = twist(m_state[M - 1], m_state[N - 1], m_state[0]);
    m_nLeft = N;
    m_nNext = 0;
}

std::uint32_t MTRand::randInt() {
    if (m_nLeft == 0) {
        reload();
    }
    --m_nLeft;
    std::uint32_t s1 = m_state[m_nNext++];
    s1 ^= (s1 >> 11);
    s1 ^= (s1 << 7) & 0x9d2c5680U;
    s1 ^= (s1 << 15) & 0xefc60000U;
    return s1 ^ (s1 >> 18);
}

}  // namespace UTKTools
