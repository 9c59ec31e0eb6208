// Python face of entity merging and coverage restoration. These calls are
// short sweeps over entities already in memory, so the lock stays held.
#include "merger.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../core/coverage.hpp"
#include "../core/merger.hpp"
#include "types.hpp"

namespace vexil::py {

namespace {

Ref merge_entities(const Args& args) {
  return entity_list(core::merge_entities(args.take(0, as_entities), {}));
}

constexpr Param MERGE_ENTITIES_PARAMS[] = {{"entities"}};

Ref merge_entities_with_text(const Args& args) {
  auto entities = args.take(0, as_entities);
  const std::string_view text = args.take(1, as_text);
  return entity_list(core::merge_entities_with_text(std::move(entities), text));
}

constexpr Param MERGE_ENTITIES_WITH_TEXT_PARAMS[] = {{"entities"}, {"text"}};

Ref restore_lost_coverage(const Args& args) {
  const auto pre_merge = args.take(0, as_entities);
  const auto merged_spans = args.take(1, as_spans);
  auto filtered = args.take(2, as_entities);
  core::TypeFilter filter;
  filter.types = args.take_optional(3, as_str_set);
  filter.types_exclude = args.take_optional(4, as_str_set);
  filter.drop_self_reference = args.take(5, as_bool);
  const std::string_view text = args.take(6, as_text);
  auto restored =
      core::restore_lost_coverage(pre_merge, merged_spans, std::move(filtered), filter, text);
  return tuple_of(entity_list(restored.entities), str_list(restored.restored_types));
}

constexpr Param RESTORE_LOST_COVERAGE_PARAMS[] = {
    {"pre_merge"},     {"merged_spans"},        {"filtered"}, {"types"},
    {"types_exclude"}, {"drop_self_reference"}, {"text"}};

}  // namespace

constinit const Function MERGE_ENTITIES{
    {"merge_entities", MERGE_ENTITIES_PARAMS,
     "Merge overlapping entities: longer spans win, then higher confidence.\n\n"
     "Returns a new non-overlapping list in sweep order (by start, longer\n"
     "first, each entity compared with the last one kept)."},
    merge_entities};

constinit const Function MERGE_ENTITIES_WITH_TEXT{
    {"merge_entities_with_text", MERGE_ENTITIES_WITH_TEXT_PARAMS,
     "Merge overlapping entities with self-reference and person-layer priority.\n\n"
     "A losing entity is cut down to the non-blank part of `text` that the\n"
     "winner leaves uncovered instead of being dropped. The result is sorted by\n"
     "start when a `self_reference` entity is present, else in sweep order."},
    merge_entities_with_text};

constinit const Function RESTORE_LOST_COVERAGE{
    {"restore_lost_coverage", RESTORE_LOST_COVERAGE_PARAMS,
     "Re-admit detections absorbed by merging whose absorber was filtered out.\n\n"
     "Returns (entities, restored_types): `filtered` merged with every pre-merge\n"
     "entity that passes the type filter, lies inside a merged span and inside\n"
     "no kept entity; restored_types lists their type names sorted, once each."},
    restore_lost_coverage};

}  // namespace vexil::py
