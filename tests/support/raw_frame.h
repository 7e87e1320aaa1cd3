#pragma once
// One raw sample frame of a measuring controller: the phase mark and the five
// channels' signed values.  Synthetic rotors make them, simulated controllers
// and replay files carry them.

#include <array>

namespace sim {

struct RawFrame {
    bool mark = false;
    std::array<int, 5> values{};
};

}  // namespace sim
