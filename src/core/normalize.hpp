// Normalization before detection: drops invisible characters and accents,
// folds look-alikes, dashes, compatibility forms and disguised digit runs,
// and remembers which input character every output character came from.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "entity.hpp"

namespace vexil::core {

struct NormalizedText {
  std::string text;
  // One entry per character of `text`: the index of the input character
  // that produced it. Never decreasing; an expansion repeats an index.
  std::vector<std::uint64_t> offset_map;
};

// The canonical form of a UTF-8 text, or nullopt when the text already is
// its own canonical form. `fold_digit_runs` selects the pattern-scan
// rendering, which also turns Chinese numerals and stray non-ASCII digits
// inside long digit runs into ASCII digits; the person rendering keeps them.
std::optional<NormalizedText> normalize(std::string_view text, bool fold_digit_runs);

// The input span that a span of the normalized text came from. Without an
// offset map (the text was unchanged) a span maps to itself; a position the
// map does not cover becomes `original_len`.
CharSpan map_span_to_original(CharSpan span,
                              std::optional<std::span<const std::uint64_t>> offset_map,
                              std::uint64_t original_len);

}  // namespace vexil::core
