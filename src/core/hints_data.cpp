// Loading of the hint tables from the embedded "hints" document.
#include "hints_data.hpp"

#include <nlohmann/json.hpp>
#include <string_view>

#include "data.hpp"

namespace vexil::core {

namespace {

using nlohmann::json;

std::vector<std::string> strings(const json& list) { return list.get<std::vector<std::string>>(); }

// Widens every \s and \S escape by the information separators U+001C-U+001F,
// which the engine's Unicode white space leaves out; other escapes, and a
// lone trailing backslash, pass unchanged.
std::string widen_space_escapes(std::string_view pattern) {
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '\\' || i + 1 == pattern.size()) {
      out += pattern[i];
      continue;
    }
    const char escaped = pattern[++i];
    if (escaped == 's') {
      out += R"([\s\x1c-\x1f])";
    } else if (escaped == 'S') {
      out += R"([^\s\x1c-\x1f])";
    } else {
      out += '\\';
      out += escaped;
    }
  }
  return out;
}

std::shared_ptr<const Regex> compile_command_pattern(std::size_t index, const json& entry) {
  std::string source = widen_space_escapes(entry.at("pattern").get_ref<const std::string&>());
  if (entry.at("ignorecase").get<bool>()) source = "(?i:" + source + ")";
  auto compiled = Regex::compile(source, FIXED_STEP_LIMIT);
  if (!compiled) {
    throw InternalFailure("invalid command pattern " + std::to_string(index) + ": " +
                          compiled.error().message);
  }
  return *compiled;
}

HintsData build() {
  return read_document("hints", [](const json& doc) {
    HintsData data;
    for (const json& phrase : doc.at("kinship_exact")) {
      data.kinship_exact.insert(phrase.get<std::string>());
    }
    data.kinship_prefixes = strings(doc.at("kinship_prefixes"));
    data.command_prefixes = strings(doc.at("command_prefixes"));
    data.command_suffixes = strings(doc.at("command_suffixes"));
    const json& patterns = doc.at("command_patterns");
    for (std::size_t i = 0; i < patterns.size(); ++i) {
      data.command_patterns.push_back(compile_command_pattern(i, patterns[i]));
    }
    return data;
  });
}

}  // namespace

const HintsData& hints_data() {
  static const HintsData data = build();
  return data;
}

}  // namespace vexil::core
