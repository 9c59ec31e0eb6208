// The hint tables (kinship phrases, command cues) turned once into the forms
// the hint producer looks them up in: a hash set, ordered lists and compiled
// command patterns.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "regex.hpp"
#include "string_set.hpp"

namespace vexil::core {

struct HintsData {
  StringSet kinship_exact;
  std::vector<std::string> kinship_prefixes;
  std::vector<std::string> command_prefixes;
  std::vector<std::string> command_suffixes;
  std::vector<std::shared_ptr<const Regex>> command_patterns;
};

// Built on first use; a broken document or pattern is an InternalFailure.
const HintsData& hints_data();

}  // namespace vexil::core
