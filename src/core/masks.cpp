// Masks star the hidden characters of a value; collision suffixes and label
// admission keep labels unique and free of the originals they stand for.
#include "masks.hpp"

#include <algorithm>

#include "text.hpp"

namespace vexil::core {

namespace {

constexpr std::size_t DEFAULT_PREFIX = 3;
constexpr std::size_t DEFAULT_SUFFIX = 4;
constexpr std::size_t LANDLINE_TAIL = 3;

// Twenty circled numbers ① … ⑳, three UTF-8 bytes each.
constexpr std::string_view CIRCLED = "①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯⑰⑱⑲⑳";
constexpr std::size_t CIRCLED_BYTES = 3;
constexpr int FIRST_NUMBERED_SUFFIX = 21;
constexpr int LAST_NUMBERED_SUFFIX = 9999;

// The first `head` and last `tail` characters of a text of `n` characters
// with a star for every character between them; needs n >= head + tail.
std::string keep_ends(std::string_view text, std::size_t n, std::size_t head, std::size_t tail) {
  std::string out(text.substr(0, advance_chars(text, 0, head)));
  out.append(n - head - tail, '*');
  out += text.substr(advance_chars(text, 0, n - tail));
  return out;
}

std::size_t default_prefix(std::string_view type) {
  if (type == "credit_card" || type == "bank_card") return 6;
  if (type == "id_number") return 0;
  return DEFAULT_PREFIX;
}

}  // namespace

std::string mask(std::string_view value, std::string_view type, std::size_t visible_prefix,
                 std::size_t visible_suffix) {
  const std::size_t at = value.find('@');
  if (type == "email" && at != std::string_view::npos && at > 0) {
    const std::size_t local = char_count(value.substr(0, at));
    std::string out(value.substr(0, advance_chars(value, 0, 1)));
    out.append(std::max<std::size_t>(3, local - 1), '*');
    out += value.substr(at);
    return out;
  }
  const std::size_t p = visible_prefix != 0 ? visible_prefix : default_prefix(type);
  const std::size_t s = visible_suffix != 0 ? visible_suffix : DEFAULT_SUFFIX;
  const std::size_t n = char_count(value);
  // Written without p + s, which configured lengths could overflow.
  if (n <= p || n - p <= s) return std::string(value);
  return keep_ends(value, n, p, s);
}

std::string mask_name(std::string_view value) {
  const std::size_t n = char_count(value);
  const std::size_t kept = n <= 1 ? 0 : (n <= 3 ? 1 : 2);
  return keep_ends(value, n, kept, 0);
}

std::string mask_landline(std::string_view value) {
  std::string_view area;
  std::string_view rest = value;
  if (const std::size_t dash = value.find('-'); dash != std::string_view::npos) {
    area = value.substr(0, dash + 1);
    rest = value.substr(dash + 1);
  } else if (!value.empty() && value[0] == '0') {
    // 010 and 021 style numbers have two-digit area codes after the 0.
    const bool short_area = value.size() > 1 && (value[1] == '1' || value[1] == '2');
    const std::size_t cut = advance_chars(value, 0, short_area ? 3 : 4);
    area = value.substr(0, cut);
    rest = value.substr(cut);
  }
  const std::size_t n = char_count(rest);
  if (n <= LANDLINE_TAIL) return std::string(value);
  return std::string(area) + keep_ends(rest, n, 0, LANDLINE_TAIL);
}

Result<std::string> resolve_collision(std::string_view label, const StringSet& used) {
  std::string candidate(label);
  if (!used.contains(candidate)) return candidate;
  for (std::size_t i = 0; i < CIRCLED.size(); i += CIRCLED_BYTES) {
    candidate.resize(label.size());
    candidate += CIRCLED.substr(i, CIRCLED_BYTES);
    if (!used.contains(candidate)) return candidate;
  }
  for (int i = FIRST_NUMBERED_SUFFIX; i <= LAST_NUMBERED_SUFFIX; ++i) {
    candidate.resize(label.size());
    candidate += '(' + std::to_string(i) + ')';
    if (!used.contains(candidate)) return candidate;
  }
  return fail("too many collisions");
}

Result<std::string> admit_label(std::string_view label, std::string_view type,
                                std::string_view original, const LabelLedger& ledger) {
  auto reserve = [&](std::string_view s) {
    if (ledger.reserved.emplace(s).second) ledger.temporary.emplace_back(s);
  };
  // A label inside the original either left the value unchanged or reveals
  // part of it; an empty label reveals nothing.
  auto reveals = [&](std::string_view s) {
    return !label.empty() && original.find(s) != std::string_view::npos;
  };
  if (reveals(label)) reserve(label);
  for (;;) {
    auto resolved = resolve_collision(label, ledger.reserved);
    if (!resolved) return fail("too many collisions for entity type " + std::string(type));
    if (*resolved != label && ledger.mask_collisions) ledger.mask_collisions->emplace_back(type);
    if (!reveals(*resolved)) return resolved;
    reserve(*resolved);
  }
}

}  // namespace vexil::core
