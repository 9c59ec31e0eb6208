// Python face of masks and collision suffixes.
#pragma once

#include "frame.hpp"

namespace vexil::py {

extern const Function MASK_LANDLINE;
extern const Function RESOLVE_COLLISION;
extern const Function MASK_NAME;

}  // namespace vexil::py
