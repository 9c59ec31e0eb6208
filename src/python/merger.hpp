// Python face of entity merging and coverage restoration.
#pragma once

#include "frame.hpp"

namespace vexil::py {

extern const Function MERGE_ENTITIES;
extern const Function MERGE_ENTITIES_WITH_TEXT;
extern const Function RESTORE_LOST_COVERAGE;

}  // namespace vexil::py
