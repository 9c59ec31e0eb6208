// Python face of the per-type replacement settings.
#pragma once

#include "frame.hpp"

namespace vexil::py {

extern const Function BUILD_TYPE_INFO;

}  // namespace vexil::py
