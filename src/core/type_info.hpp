// Per-type replacement settings: one record per PII type, layered field by
// field from the caller's configuration, the registry defaults and the
// built-in tables.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "string_set.hpp"

namespace vexil::core {

// The caller's configuration of one type; every field optional.
struct TypeConfig {
  std::optional<std::string> strategy;
  std::optional<std::string> prefix;  // present means overridden, even when empty
  std::optional<std::string> replacement;
  std::optional<std::string> label;
  std::optional<std::uint64_t> visible_prefix;
  std::optional<std::uint64_t> visible_suffix;
};

// The live type registry's defaults for one type; every field optional.
struct RegistryDefaults {
  std::optional<std::string> strategy;
  std::optional<std::string> prefix;
  std::optional<std::string> category_label;
};

struct TypeInfo {
  std::string strategy;
  std::string default_strategy;
  std::string prefix;
  bool prefix_overridden = false;
  std::optional<std::string> faker_name;
  bool custom_faker = false;
  std::optional<std::string> replacement;
  std::optional<std::string> label;
  std::string default_category_label;
  std::optional<std::uint64_t> visible_prefix;
  std::optional<std::uint64_t> visible_suffix;
};

// One record per distinct type of `types`, in order of first appearance.
// `langs` orders the faker look-up before "shared", "zh" and "en".
std::vector<std::pair<std::string, TypeInfo>> build_type_info(
    std::span<const std::string_view> types, const StringMap<TypeConfig>& config,
    std::span<const std::string_view> langs, const StringMap<RegistryDefaults>& registry);

}  // namespace vexil::core
