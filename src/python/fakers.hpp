// Python face of the built-in fakers: the (type, language) table and the
// re-roll loop.
#pragma once

#include "frame.hpp"

namespace vexil::py {

extern const Function BUILTIN_FAKER_NAME;
extern const Function BUILTIN_FAKER_NAMES;
extern const Function GENERATE_UNIQUE_FAKE;

}  // namespace vexil::py
