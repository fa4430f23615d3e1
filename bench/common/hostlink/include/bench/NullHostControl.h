// A host control for the host link benchmarks that only counts what it is asked to send.
#pragma once

#include <cstddef>
#include <string>

#include "core/HostTrevoSeams.h"

namespace bench {

class NullHostControl : public core::IHostControl {
public:
    bool SendString(const std::string& data) override {
        bytes += data.size();
        return true;
    }
    std::size_t bytes = 0;
};

}  // namespace bench
