// Python face of text normalization and offset mapping.
#pragma once

#include "frame.hpp"

namespace vexil::py {

extern const Function NORMALIZE_TEXT;
extern const Function MAP_SPANS_TO_ORIGINAL;

}  // namespace vexil::py
