// Python face of the entity record: the PatternMatch class and conversions
// between entity lists and Python lists.
#pragma once

#include <vector>

#include "../core/entity.hpp"
#include "frame.hpp"

namespace vexil::py {

// Creates the class once per process (borrowed; nullptr with an exception set).
PyTypeObject* pattern_match_type();

core::Entity as_entity(PyObject* obj);
std::vector<core::Entity> as_entities(PyObject* obj);
// A list of new PatternMatch objects, in the given order.
Ref entity_list(const std::vector<core::Entity>& entities);

}  // namespace vexil::py
