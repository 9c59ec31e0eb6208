// Coverage restoration: when a type filter removes an entity that merging
// let swallow smaller detections, those detections are re-admitted so the
// text they cover is still redacted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "entity.hpp"
#include "string_set.hpp"

namespace vexil::core {

using TypeSet = StringSet;

// The caller's allow and deny lists of type names.
struct TypeFilter {
  std::optional<TypeSet> types;          // when given, only these pass; empty lets none pass
  std::optional<TypeSet> types_exclude;  // consulted only when `types` is absent
  bool drop_self_reference = false;

  bool passes(const Entity& entity) const;
};

struct RestoredCoverage {
  std::vector<Entity> entities;
  std::vector<std::string> restored_types;  // byte order, no duplicates
};

// Re-admits every entity of `pre_merge` that passes `filter`, lies wholly
// inside one of `merged_spans` and inside none of the `filtered` entities,
// then merges them with `filtered` (self-reference aware, over `text`).
// Without such entities, `filtered` comes back unchanged.
RestoredCoverage restore_lost_coverage(std::span<const Entity> pre_merge,
                                       std::span<const CharSpan> merged_spans,
                                       std::vector<Entity> filtered, const TypeFilter& filter,
                                       std::string_view text);

}  // namespace vexil::core
