// Embedded document loader: one once-only slot per document, plus the
// pattern tables turned into records.
#include "data.hpp"

#include <memory>
#include <mutex>

#include "embedded_documents.hpp"

namespace vexil::core {

namespace {

struct Slot {
  std::once_flag once;
  std::optional<nlohmann::json> value;
  std::string error;
};

std::size_t document_index(std::string_view stem) {
  for (std::size_t i = 0; i < EMBEDDED_DOCUMENT_COUNT; ++i) {
    if (EMBEDDED_DOCUMENTS[i].stem == stem) return i;
  }
  throw InternalFailure("no embedded document " + std::string(stem));
}

PatternData read_pattern(const nlohmann::json& entry) {
  auto optional_string = [&](const char* key) -> std::optional<std::string> {
    if (!entry.contains(key)) return std::nullopt;
    return entry.at(key).get<std::string>();
  };
  return PatternData{entry.at("type_").get<std::string>(),
                     entry.at("label").get<std::string>(),
                     entry.at("pattern").get<std::string>(),
                     optional_string("validator"),
                     optional_string("group"),
                     entry.value("check_context", false),
                     entry.at("description").get<std::string>(),
                     entry.value("language_neutral", false)};
}

}  // namespace

std::string document_display_name(std::string_view stem) {
  constexpr std::string_view table_prefix = "patterns/";
  if (stem.starts_with(table_prefix)) return std::string(stem.substr(table_prefix.size()));
  return "data/" + std::string(stem);
}

const nlohmann::json& document(std::string_view stem) {
  static const std::unique_ptr<Slot[]> slots(new Slot[EMBEDDED_DOCUMENT_COUNT]);
  const std::size_t index = document_index(stem);
  Slot& slot = slots[index];
  std::call_once(slot.once, [&] {
    const EmbeddedDocument& embedded = EMBEDDED_DOCUMENTS[index];
    nlohmann::json parsed;
    try {
      parsed = nlohmann::json::parse(embedded.text);
    } catch (const nlohmann::json::exception& e) {
      slot.error = document_display_name(stem) + ": " + e.what();
      return;
    }
    slot.value.emplace(std::move(parsed));
  });
  if (!slot.value) throw InternalFailure(slot.error);
  return *slot.value;
}

const std::vector<std::pair<std::string, PatternTable>>& pattern_tables() {
  static const auto tables = [] {
    std::vector<std::pair<std::string, PatternTable>> out;
    for (const char* code : {"shared", "zh", "en", "ja", "ko", "de", "uk", "in", "br"}) {
      const std::string stem = std::string("patterns/") + code;
      out.emplace_back(code, read_document(stem, [](const nlohmann::json& doc) {
                         PatternTable table;
                         for (const auto& entry : doc) table.push_back(read_pattern(entry));
                         return table;
                       }));
    }
    return out;
  }();
  return tables;
}

const PatternTable* pattern_table(std::string_view code) {
  for (const auto& [name, table] : pattern_tables()) {
    if (name == code) return &table;
  }
  return nullptr;
}

}  // namespace vexil::core
