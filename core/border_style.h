#pragma once
// Border style of the toolkit's controls, shared by the link labels and the range bars so that both
// can be used in one translation unit.
#include <cstdint>

namespace velmora {

enum class TBorderStyle : uint8_t { bsNone = 0, bsSingle = 1 };

}  // namespace velmora
