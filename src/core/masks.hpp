// The mask family of replacements (generic, name, landline) and the suffix
// rule plus label admission that keep every label in a key unique, so the
// key can still be inverted. Lengths count characters, never bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "error.hpp"
#include "string_set.hpp"

namespace vexil::core {

// A visible length of 0 selects the type's default.
std::string mask(std::string_view value, std::string_view type, std::size_t visible_prefix,
                 std::size_t visible_suffix);

std::string mask_name(std::string_view value);

std::string mask_landline(std::string_view value);

// The first of label, label①..label⑳, label(21)..label(9999) not in `used`;
// `used` is left unchanged.
Result<std::string> resolve_collision(std::string_view label, const StringSet& used);

// Where label admission keeps its bookkeeping: the session's reserved set,
// the strings this call added to it (released at the end of the call) and,
// when collisions are to be recorded, the list of type names to append to.
struct LabelLedger {
  StringSet& reserved;
  std::vector<std::string>& temporary;
  std::vector<std::string>* mask_collisions;  // nullptr: do not record
};

// Makes `label` safe to stand in the key for `original`: suffixed away from
// reserved strings and from any text that would reveal the original. The
// result itself is not reserved; the caller does that when it records it.
Result<std::string> admit_label(std::string_view label, std::string_view type,
                                std::string_view original, const LabelLedger& ledger);

}  // namespace vexil::core
