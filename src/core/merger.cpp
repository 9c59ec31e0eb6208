// Entity merging: each phase is one stable sort and one sweep that compares an
// entity only with the last one placed. Pieces of a losing entity are cut
// from the caller's text by character offsets, never from its own text.
#include "merger.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "text.hpp"

namespace vexil::core {

namespace {

constexpr std::string_view PERSON = "person";
constexpr std::string_view SELF_REFERENCE = "self_reference";

// Entities built from Python may be inverted (start > end): they count as
// empty instead of wrapping around to a huge length.
std::uint64_t length(const Entity& e) { return e.end > e.start ? e.end - e.start : 0; }

bool overlap(const Entity& a, const Entity& b) { return a.start < b.end && b.start < a.end; }

bool is_self_reference(const Entity& e) { return e.type == SELF_REFERENCE; }

// Positions of the entities ordered by start and, when `longer_first`,
// longer before shorter at equal start; ties keep input order. Sorting small
// keys spares moving whole entities around.
std::vector<std::size_t> order_by_start(const std::vector<Entity>& entities, bool longer_first) {
  struct Key {
    std::uint64_t start;
    std::uint64_t rank;
    std::size_t index;
    auto operator<=>(const Key&) const = default;
  };
  std::vector<Key> keys;
  keys.reserve(entities.size());
  for (std::size_t i = 0; i < entities.size(); ++i) {
    keys.push_back({entities[i].start, longer_first ? ~length(entities[i]) : 0, i});
  }
  std::ranges::sort(keys);
  std::vector<std::size_t> order;
  order.reserve(keys.size());
  for (const Key& key : keys) order.push_back(key.index);
  return order;
}

// Cuts pieces of entities out of one text by character offsets. A non-ASCII
// text gets, on its first cut, the byte position of every STRIDE-th
// character, so a cut walks fewer than STRIDE characters rather than the
// text from its start.
class Cutter {
 public:
  explicit Cutter(std::string_view text) : text_(text) {}

  bool has_text() const { return !text_.empty(); }

  // The piece [start, end) of `from` with its fields, unless it is empty or
  // only white space. Characters past the end of the text are absent.
  std::optional<Entity> piece(const Entity& from, std::uint64_t start, std::uint64_t end) {
    if (start >= end) return std::nullopt;
    const std::size_t first = byte_of(start);
    const std::string_view chars = text_.substr(first, byte_of(end) - first);
    if (trim_white_space(chars).empty()) return std::nullopt;
    return Entity{std::string(chars), from.type, start, end, from.confidence, from.layer};
  }

  // What is left of `from` after `cut`. It never starts before `from` does:
  // a remainder placed after later-sorted entities must not reach back over
  // text that `from` never covered.
  std::optional<Entity> remainder(const Entity& from, std::uint64_t cut) {
    return piece(from, std::max(cut, from.start), from.end);
  }

 private:
  static constexpr std::uint64_t STRIDE = 64;

  std::size_t byte_of(std::uint64_t chars) {
    if (!indexed_) index();
    if (ascii_) return static_cast<std::size_t>(std::min<std::uint64_t>(chars, text_.size()));
    const std::uint64_t slot = chars / STRIDE;
    if (slot >= checkpoints_.size()) return text_.size();
    return advance_chars(text_, checkpoints_[slot], chars % STRIDE);
  }

  void index() {
    indexed_ = true;
    ascii_ = is_ascii(text_);
    if (ascii_) return;
    std::uint64_t chars = 0;
    for (std::size_t pos = 0; pos < text_.size(); ++pos) {
      if (is_continuation_byte(static_cast<unsigned char>(text_[pos]))) continue;
      if (chars++ % STRIDE == 0) checkpoints_.push_back(pos);
    }
  }

  std::string_view text_;
  bool indexed_ = false;
  bool ascii_ = false;
  std::vector<std::size_t> checkpoints_;
};

// Two overlapping `person` entities of different layers: the higher layer
// wins whole and the loser keeps what lies outside it, so a name found by a
// stronger detector inside a weaker, longer one splits that one instead of
// being swallowed by it.
void merge_layered(std::vector<Entity>& result, Entity e, Cutter& cutter) {
  Entity& r = result.back();
  if (r.layer > e.layer) {
    if (auto tail = cutter.remainder(e, r.end)) result.push_back(std::move(*tail));
    return;
  }
  auto tail = cutter.remainder(r, e.end);
  if (auto head = cutter.piece(r, r.start, e.start)) {
    r = std::move(*head);
    result.push_back(std::move(e));
  } else {
    r = std::move(e);
  }
  if (tail) result.push_back(std::move(*tail));
}

// The sweep of the plain merge and of the first phase. The layered rule
// needs a text to cut the loser's pieces from, so without one it stays off.
std::vector<Entity> sweep_overlaps(std::vector<Entity> entities, Cutter& cutter) {
  std::vector<Entity> result;
  result.reserve(entities.size());
  for (std::size_t i : order_by_start(entities, true)) {
    Entity& e = entities[i];
    if (result.empty() || !overlap(result.back(), e)) {
      result.push_back(std::move(e));
      continue;
    }
    Entity& r = result.back();
    if (cutter.has_text() && r.type == PERSON && e.type == PERSON && r.layer != e.layer) {
      merge_layered(result, std::move(e), cutter);
    } else if (length(e) != length(r) ? length(e) > length(r) : e.confidence > r.confidence) {
      r = std::move(e);
    }
  }
  return result;
}

// The sweep of the second phase: first-person words win over what they
// start, and a plain entity is cut back behind a first-person word.
std::vector<Entity> sweep_self_references(std::vector<Entity> entities, Cutter& cutter) {
  std::vector<Entity> result;
  result.reserve(entities.size());
  for (std::size_t i : order_by_start(entities, true)) {
    Entity& e = entities[i];
    if (result.empty() || e.start >= result.back().end) {
      result.push_back(std::move(e));
      continue;
    }
    Entity& r = result.back();
    const bool e_first = is_self_reference(e);
    const bool r_first = is_self_reference(r);
    if (e_first && !r_first) {
      if (e.start > r.start) continue;  // a first-person word inside an accepted entity
      auto tail = cutter.remainder(r, e.end);
      r = std::move(e);
      if (tail) result.push_back(std::move(*tail));
    } else if (!e_first && r_first) {
      if (auto tail = cutter.remainder(e, r.end)) result.push_back(std::move(*tail));
    } else if (length(e) > length(r) || e.confidence > r.confidence) {
      r = std::move(e);
    }
  }
  std::vector<Entity> by_start;
  by_start.reserve(result.size());
  for (std::size_t i : order_by_start(result, false)) by_start.push_back(std::move(result[i]));
  return by_start;
}

}  // namespace

std::vector<Entity> merge_entities(std::vector<Entity> entities, std::string_view text) {
  Cutter cutter(text);
  return sweep_overlaps(std::move(entities), cutter);
}

std::vector<Entity> merge_entities_with_text(std::vector<Entity> entities, std::string_view text) {
  std::vector<Entity> others;
  std::vector<Entity> first_person;
  others.reserve(entities.size());
  for (Entity& e : entities) {
    (is_self_reference(e) ? first_person : others).push_back(std::move(e));
  }
  Cutter cutter(text);
  std::vector<Entity> merged = sweep_overlaps(std::move(others), cutter);
  if (first_person.empty()) return merged;
  merged.insert(merged.end(), std::make_move_iterator(first_person.begin()),
                std::make_move_iterator(first_person.end()));
  return sweep_self_references(std::move(merged), cutter);
}

}  // namespace vexil::core
