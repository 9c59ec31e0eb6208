// Settles the replacement settings of each PII type: configuration first,
// then the registry defaults, then the built-in strategy and prefix tables.
#include "type_info.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <array>

#include "fakers.hpp"
#include "text.hpp"

namespace vexil::core {

namespace {

struct Entry {
  std::string_view type;
  std::string_view value;
};

constexpr std::array<Entry, 9> DEFAULT_STRATEGIES = {{
    {"person", "pseudonym"},
    {"school", "pseudonym"},
    {"organization", "pseudonym"},
    {"phone", "mask"},
    {"email", "mask"},
    {"bank_card", "mask"},
    {"credit_card", "mask"},
    {"phone_landline", "mask"},
    {"self_reference", "keep"},
}};

constexpr std::string_view FALLBACK_STRATEGY = "remove";

constexpr std::array<Entry, 40> PREFIX_CODES = {{
    {"person", "P"},
    {"organization", "O"},
    {"self_reference", "S"},
    {"phone_landline", "LL"},
    {"id_number", "ID"},
    {"ip_address", "IP"},
    {"mac_address", "MAC"},
    {"ssn", "SSN"},
    {"age", "AGE"},
    {"url", "URL"},
    {"url_token", "URL"},
    {"jwt", "JWT"},
    {"imei", "IMEI"},
    {"date", "DATE"},
    {"hobby", "HOBBY"},
    {"school", "SCH"},
    {"gender", "GEN"},
    {"address", "ADDR"},
    {"medical", "MED"},
    {"passport", "PASS"},
    {"religion", "REL"},
    {"job_title", "TITLE"},
    {"ethnicity", "ETH"},
    {"workplace", "WORK"},
    {"financial", "FIN"},
    {"biometric", "BIO"},
    {"political", "POL"},
    {"military_id", "MIL"},
    {"credit_code", "BIZ"},
    {"github_token", "GH-TOKEN"},
    {"license_plate", "PLATE"},
    {"date_of_birth", "DOB"},
    {"openai_api_key", "OAI-KEY"},
    {"aws_access_key", "AWS-KEY"},
    {"anthropic_api_key", "ANT-KEY"},
    {"ssh_private_key", "SSH-KEY"},
    {"social_security", "SOC"},
    {"criminal_record", "CRIM"},
    {"sexual_orientation", "ORI"},
    {"us_passport", "PASS"},
}};

constexpr std::array<std::string_view, 3> FALLBACK_FAKER_LANGS = {"shared", "zh", "en"};

constexpr std::size_t DERIVED_PREFIX_CHARS = 4;

std::optional<std::string_view> lookup(std::span<const Entry> table, std::string_view type) {
  auto entry = std::ranges::find(table, type, &Entry::type);
  if (entry == table.end()) return std::nullopt;
  return entry->value;
}

// The first four characters of the type name, upper-cased.
std::string derived_prefix(std::string_view type) {
  std::string prefix;
  std::size_t pos = 0;
  for (std::size_t n = 0; n < DERIVED_PREFIX_CHARS && pos < type.size(); ++n) {
    auto upper = utf8proc_toupper(static_cast<utf8proc_int32_t>(decode_utf8(type, pos)));
    std::array<utf8proc_uint8_t, 4> bytes{};
    auto length = utf8proc_encode_char(upper, bytes.data());
    prefix.append(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(length));
  }
  return prefix;
}

template <class Value>
const Value* find(const StringMap<Value>& map, std::string_view type) {
  auto found = map.find(type);
  return found == map.end() ? nullptr : &found->second;
}

std::optional<std::string> find_faker(std::string_view type,
                                      std::span<const std::string_view> langs) {
  for (auto order : {langs, std::span<const std::string_view>(FALLBACK_FAKER_LANGS)}) {
    for (std::string_view lang : order) {
      if (auto name = builtin_faker_name(type, lang)) return std::string(*name);
    }
  }
  return std::nullopt;
}

std::string bracketed(std::string_view type) {
  std::string label;
  label.reserve(type.size() + 2);
  label.push_back('[');
  label.append(type);
  label.push_back(']');
  return label;
}

TypeInfo settle(std::string_view type, const TypeConfig* cfg,
                std::span<const std::string_view> langs, const RegistryDefaults* reg) {
  TypeInfo info;
  info.default_strategy =
      reg && reg->strategy
          ? *reg->strategy
          : std::string(lookup(DEFAULT_STRATEGIES, type).value_or(FALLBACK_STRATEGY));
  info.strategy =
      cfg && cfg->strategy && !cfg->strategy->empty() ? *cfg->strategy : info.default_strategy;
  if (cfg && cfg->prefix) {
    info.prefix = *cfg->prefix;
    info.prefix_overridden = true;
  } else if (reg && reg->prefix) {
    info.prefix = *reg->prefix;
  } else if (auto code = lookup(PREFIX_CODES, type)) {
    info.prefix = *code;
  } else {
    info.prefix = derived_prefix(type);
  }
  if (info.strategy == "realistic") info.faker_name = find_faker(type, langs);
  if (reg && reg->category_label) {
    info.default_category_label = *reg->category_label;
  } else {
    info.default_category_label = type == "location" ? "[LOCATION]" : bracketed(type);
  }
  if (cfg) {
    info.replacement = cfg->replacement;
    info.label = cfg->label;
    info.visible_prefix = cfg->visible_prefix;
    info.visible_suffix = cfg->visible_suffix;
  }
  return info;
}

}  // namespace

std::vector<std::pair<std::string, TypeInfo>> build_type_info(
    std::span<const std::string_view> types, const StringMap<TypeConfig>& config,
    std::span<const std::string_view> langs, const StringMap<RegistryDefaults>& registry) {
  std::vector<std::pair<std::string, TypeInfo>> records;
  StringSet seen;
  for (std::string_view type : types) {
    if (!seen.emplace(type).second) continue;
    records.emplace_back(type, settle(type, find(config, type), langs, find(registry, type)));
  }
  return records;
}

}  // namespace vexil::core
