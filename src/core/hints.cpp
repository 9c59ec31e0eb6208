// The L1 hint producer and the two consumers the pipeline tunes itself with:
// the person-name threshold and the self-reference filter.
#include "hints.hpp"

#include <algorithm>
#include <array>
#include <functional>
#include <numeric>
#include <queue>
#include <unordered_map>
#include <utility>

#include "hints_data.hpp"
#include "text.hpp"

namespace vexil::core {

namespace {

constexpr std::string_view SELF_REFERENCE = "self_reference";
constexpr std::array<std::string_view, 4> HINT_TYPE_NAMES = {"pii_density", "near_miss_format",
                                                             "text_intent", "self_reference_tier"};
constexpr std::array<std::string_view, 3> DENSITY_LEVEL_NAMES = {"none", "medium", "high"};
constexpr std::array<std::string_view, 4> INTENT_NAMES = {"neutral", "narrative", "casual",
                                                          "instruction"};

bool is_self_reference(const Entity& entity) { return entity.type == SELF_REFERENCE; }

bool overlaps(const Entity& a, const Entity& b) { return a.start < b.end && b.start < a.end; }

// Indices of `list` ordered by start, ties in list order.
std::vector<std::size_t> order_by_start(std::span<const Entity> list) {
  std::vector<std::size_t> order(list.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::ranges::stable_sort(order, {}, [&](std::size_t i) { return list[i].start; });
  return order;
}

// For each near miss, whether an entity of another type overlaps it. One
// sweep by start: the active entities (started before the near miss, not yet
// ended) all overlap it, so their per-type counts decide at once unless all
// of them share its type; only the entities starting inside it are scanned.
std::vector<bool> suppressed_near_misses(std::span<const Entity> entities,
                                         std::span<const Entity> near_misses) {
  const std::vector<std::size_t> entity_order = order_by_start(entities);
  using Active = std::pair<std::uint64_t, std::size_t>;  // (end, entity index)
  std::priority_queue<Active, std::vector<Active>, std::greater<>> active;
  std::unordered_map<std::string_view, std::size_t> active_by_type;
  std::size_t next = 0;
  std::vector<bool> suppressed(near_misses.size());
  for (std::size_t m : order_by_start(near_misses)) {
    const Entity& miss = near_misses[m];
    auto other_type_overlaps = [&](const Entity& e) {
      return e.type != miss.type && overlaps(e, miss);
    };
    for (; next < entity_order.size() && entities[entity_order[next]].start < miss.start; ++next) {
      const Entity& e = entities[entity_order[next]];
      active.emplace(e.end, entity_order[next]);
      ++active_by_type[e.type];
    }
    while (!active.empty() && active.top().first <= miss.start) {
      --active_by_type[entities[active.top().second].type];
      active.pop();
    }
    // A reversed span (possible from Python) breaks the sweep's premise that
    // every active entity overlaps; test it directly.
    if (miss.end < miss.start) {
      suppressed[m] = std::ranges::any_of(entities, other_type_overlaps);
      continue;
    }
    const auto own = active_by_type.find(miss.type);
    if (active.size() > (own == active_by_type.end() ? 0 : own->second)) {
      suppressed[m] = true;
      continue;
    }
    for (std::size_t j = next; j < entity_order.size(); ++j) {
      const Entity& e = entities[entity_order[j]];
      if (e.start >= miss.end) break;
      if (other_type_overlaps(e)) {
        suppressed[m] = true;
        break;
      }
    }
  }
  return suppressed;
}

bool is_instruction(std::string_view text) {
  const HintsData& data = hints_data();
  const std::string_view trimmed = trim_white_space(text);
  auto starts = [&](const std::string& prefix) { return trimmed.starts_with(prefix); };
  auto ends = [&](const std::string& suffix) { return trimmed.ends_with(suffix); };
  auto matches = [&](const std::shared_ptr<const Regex>& pattern) {
    Matcher matcher(*pattern);
    const Result<bool> found = matcher.search(trimmed, 0);
    return found && *found;  // a search that hits its limits does not match
  };
  return std::ranges::any_of(data.command_prefixes, starts) ||
         std::ranges::any_of(data.command_suffixes, ends) ||
         std::ranges::any_of(data.command_patterns, matches);
}

bool is_kinship(std::string_view text) {
  const HintsData& data = hints_data();
  return data.kinship_exact.contains(text) ||
         std::ranges::any_of(data.kinship_prefixes,
                             [&](const std::string& prefix) { return text.starts_with(prefix); });
}

}  // namespace

std::string_view hint_type_name(const Hint& hint) { return HINT_TYPE_NAMES[hint.data.index()]; }

std::string_view density_level_name(DensityLevel level) {
  return DENSITY_LEVEL_NAMES[static_cast<std::size_t>(level)];
}

std::string_view intent_name(Intent intent) {
  return INTENT_NAMES[static_cast<std::size_t>(intent)];
}

std::optional<Intent> intent_from_name(std::string_view name) {
  const auto found = std::ranges::find(INTENT_NAMES, name);
  if (found == INTENT_NAMES.end()) return std::nullopt;
  return static_cast<Intent>(found - INTENT_NAMES.begin());
}

std::vector<Hint> produce_hints_l1(std::span<const Entity> entities, std::string_view text,
                                   std::span<const Entity> near_misses) {
  std::vector<Hint> hints;
  const auto others = static_cast<std::uint64_t>(
      std::ranges::count_if(entities, [](const Entity& e) { return !is_self_reference(e); }));
  const DensityLevel level = others == 0   ? DensityLevel::None
                             : others <= 2 ? DensityLevel::Medium
                                           : DensityLevel::High;
  hints.push_back({PiiDensity{level, others}});

  const std::vector<bool> suppressed = suppressed_near_misses(entities, near_misses);
  for (std::size_t i = 0; i < near_misses.size(); ++i) {
    if (suppressed[i]) continue;
    const Entity& miss = near_misses[i];
    hints.push_back({NearMissFormat{miss.type, miss.text}, miss.start, miss.end});
  }

  const bool any_self_reference = std::ranges::any_of(entities, is_self_reference);
  Intent intent = entities.empty() ? Intent::Neutral : Intent::Narrative;
  if (any_self_reference) {
    const bool has_kinship = std::ranges::any_of(
        entities, [](const Entity& e) { return is_self_reference(e) && is_kinship(e.text); });
    const bool instruction = is_instruction(text);
    const std::uint8_t tier = has_kinship || others > 0 ? 1 : instruction ? 3 : 2;
    hints.push_back({SelfReferenceTier{tier, has_kinship}});
    intent = instruction ? Intent::Instruction : others > 0 ? Intent::Narrative : Intent::Casual;
  }
  hints.push_back({TextIntent{intent}});
  return hints;
}

double get_person_threshold(std::span<const Hint> hints) {
  for (const Hint& hint : hints) {
    const auto* intent = std::get_if<TextIntent>(&hint.data);
    if (!intent) continue;
    if (intent->intent == Intent::Instruction) return INSTRUCTION_PERSON_THRESHOLD;
    if (intent->intent == Intent::Narrative) return DEFAULT_PERSON_THRESHOLD;
  }
  return DEFAULT_PERSON_THRESHOLD;
}

std::vector<Entity> filter_self_reference(std::vector<Entity> entities,
                                          std::span<const Hint> hints) {
  const auto first_tier = std::ranges::find_if(
      hints, [](const Hint& hint) { return std::holds_alternative<SelfReferenceTier>(hint.data); });
  if (first_tier != hints.end() && std::get<SelfReferenceTier>(first_tier->data).tier == 1) {
    return entities;
  }
  std::erase_if(entities, is_self_reference);
  return entities;
}

}  // namespace vexil::core
