// Python face of the embedded data pools.
#pragma once

#include "frame.hpp"

namespace vexil::py {

inline constexpr std::size_t DATA_EXPORT_COUNT = 28;
extern const Function DATA_EXPORTS[DATA_EXPORT_COUNT];

}  // namespace vexil::py
