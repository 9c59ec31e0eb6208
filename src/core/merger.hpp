// Entity merging: reduces detections that claim the same stretch of text to
// entities that do not overlap before replacement, cutting a loser down to
// the part of the caller's text that the winner leaves uncovered.
#pragma once

#include <string_view>
#include <vector>

#include "entity.hpp"

namespace vexil::core {

// One sweep over the entities sorted by start (longer first): the longer span
// wins, at equal length the strictly higher confidence. With a non-empty
// `text`, overlapping `person` entities of different layers go to the higher
// layer and the loser keeps its non-blank pieces outside the winner. The
// result is in sweep order, not sorted again.
std::vector<Entity> merge_entities(std::vector<Entity> entities, std::string_view text);

// The merge above over all but the `self_reference` entities, then a second
// sweep that gives first-person words priority; sorted by start whenever a
// `self_reference` entity is present. Offsets are characters of `text`.
std::vector<Entity> merge_entities_with_text(std::vector<Entity> entities, std::string_view text);

}  // namespace vexil::core
