// Python face of language detection.
#pragma once

#include "frame.hpp"

namespace vexil::py {

extern const Function DETECT_LANGUAGES;

}  // namespace vexil::py
