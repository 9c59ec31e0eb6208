// Access to the embedded documents: each is parsed once per process, on
// first use; a document that fails to parse stays broken and every use
// reports the same internal failure naming it.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "error.hpp"

namespace vexil::core {

// The parsed document stored under `stem` ("hints", "fakers/zh", "patterns/zh").
const nlohmann::json& document(std::string_view stem);

// The name a document goes by in failure messages: a pattern table's
// language code, otherwise "data/<stem>".
std::string document_display_name(std::string_view stem);

// Runs `read` over a parsed document; a schema fault becomes an internal
// failure naming the document.
template <class Read>
auto read_document(std::string_view stem, Read&& read) {
  try {
    return read(document(stem));
  } catch (const nlohmann::json::exception& e) {
    throw InternalFailure(document_display_name(stem) + ": " + e.what());
  }
}

// One entry of a built-in pattern table.
struct PatternData {
  std::string type;
  std::string label;
  std::string pattern;
  std::optional<std::string> validator;
  std::optional<std::string> group;
  bool check_context = false;
  std::string description;
  bool language_neutral = false;
};

using PatternTable = std::vector<PatternData>;

// The nine built-in tables ("shared", "zh", "en", "ja", "ko", "de", "uk", "in",
// "br") in that order, all parsed together on first use.
const std::vector<std::pair<std::string, PatternTable>>& pattern_tables();

// The table of a language code (exact match), or nullptr.
const PatternTable* pattern_table(std::string_view code);

}  // namespace vexil::core
