// The look-alike map, built once per process from the embedded document and
// read-only afterwards.
#include "confusables.hpp"

#include <string>
#include <unordered_map>

#include "data.hpp"
#include "text.hpp"

namespace vexil::core {

namespace {

using ConfusableMap = std::unordered_map<char32_t, char32_t>;

// The one character of `utf8`; anything else means a broken document.
char32_t single_char(const std::string& utf8) {
  if (utf8.empty() || char_count(utf8) != 1) {
    throw InternalFailure("data/confusables: a mapping side is not a single character");
  }
  std::size_t pos = 0;
  return decode_utf8(utf8, pos);
}

ConfusableMap build_map() {
  return read_document("confusables", [](const nlohmann::json& doc) {
    ConfusableMap map;
    for (const auto& pair : doc.at("mappings")) {
      const char32_t source = single_char(pair.at(0).get<std::string>());
      const char32_t target = single_char(pair.at(1).get<std::string>());
      const bool letter = (target >= 'a' && target <= 'z') || (target >= 'A' && target <= 'Z');
      if (source < 0x80 || !letter || !map.emplace(source, target).second) {
        throw InternalFailure(
            "data/confusables: a mapping is not a unique non-ASCII character to an ASCII letter");
      }
    }
    return map;
  });
}

}  // namespace

char32_t confusable_target(char32_t c) {
  static const ConfusableMap map = build_map();
  const auto found = map.find(c);
  return found == map.end() ? c : found->second;
}

}  // namespace vexil::core
