// Python face of the hints: producing them as the package's Hint objects
// and reading any hint-shaped objects back for the two consumers.
#pragma once

#include <vector>

#include "../core/hints.hpp"
#include "frame.hpp"

namespace vexil::py {

extern const Function PRODUCE_HINTS_L1;
extern const Function GET_PERSON_THRESHOLD;
extern const Function FILTER_SELF_REFERENCE;

// A list of vexil_redact._types.Hint objects, one per record, in order.
Ref hint_list(const std::vector<core::Hint>& hints);

}  // namespace vexil::py
