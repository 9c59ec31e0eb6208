// Python face of the pattern engine.
#pragma once

#include "../core/patterns.hpp"
#include "frame.hpp"

namespace vexil::py {

extern const Function MATCH_PATTERNS;
extern const Function BUILTIN_PATTERNS;

PyTypeObject* cancel_token_type();  // borrowed; created once per process

}  // namespace vexil::py
