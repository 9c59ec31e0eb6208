// Coverage restoration: containment is answered by binary search over spans
// sorted by start, so each pre-merge entity costs O(log n), not a scan.
#include "coverage.hpp"

#include <algorithm>
#include <iterator>

#include "merger.hpp"

namespace vexil::core {

namespace {

// Whether any span of a set wholly contains [start, end): among the spans
// starting at or before `start`, the one reaching furthest decides.
class SpanCover {
 public:
  explicit SpanCover(std::vector<CharSpan> spans) {
    std::ranges::sort(spans);
    starts_.reserve(spans.size());
    reach_.reserve(spans.size());
    for (const auto& [start, end] : spans) {
      starts_.push_back(start);
      reach_.push_back(reach_.empty() ? end : std::max(reach_.back(), end));
    }
  }

  bool contains(const Entity& e) const {
    const auto after = std::ranges::upper_bound(starts_, e.start);
    if (after == starts_.begin()) return false;
    return reach_[static_cast<std::size_t>(after - starts_.begin()) - 1] >= e.end;
  }

 private:
  std::vector<std::uint64_t> starts_;
  std::vector<std::uint64_t> reach_;  // running maximum of the ends
};

}  // namespace

bool TypeFilter::passes(const Entity& entity) const {
  if (drop_self_reference && entity.type == "self_reference") return false;
  if (types) return types->contains(entity.type);
  return !types_exclude || !types_exclude->contains(entity.type);
}

RestoredCoverage restore_lost_coverage(std::span<const Entity> pre_merge,
                                       std::span<const CharSpan> merged_spans,
                                       std::vector<Entity> filtered, const TypeFilter& filter,
                                       std::string_view text) {
  const SpanCover absorbed({merged_spans.begin(), merged_spans.end()});
  std::vector<CharSpan> kept_spans;
  kept_spans.reserve(filtered.size());
  for (const Entity& e : filtered) kept_spans.emplace_back(e.start, e.end);
  const SpanCover kept(std::move(kept_spans));

  std::vector<Entity> candidates;
  for (const Entity& e : pre_merge) {
    if (filter.passes(e) && absorbed.contains(e) && !kept.contains(e)) candidates.push_back(e);
  }
  if (candidates.empty()) return {std::move(filtered), {}};

  std::vector<std::string> types;
  types.reserve(candidates.size());
  for (const Entity& e : candidates) types.push_back(e.type);
  std::ranges::sort(types);
  types.erase(std::ranges::unique(types).begin(), types.end());

  filtered.insert(filtered.end(), std::make_move_iterator(candidates.begin()),
                  std::make_move_iterator(candidates.end()));
  return {merge_entities_with_text(std::move(filtered), text), std::move(types)};
}

}  // namespace vexil::core
