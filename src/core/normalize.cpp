// Normalization in the order detection needs it: per-character clean-up
// (invisibles, accents, look-alikes, dashes), compatibility folding that
// spares number forms standing among ordinary digits, then digit-run folding.
#include "normalize.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

#include "confusables.hpp"
#include "text.hpp"

namespace vexil::core {

namespace {

struct Range {
  char32_t first;
  char32_t last;
};

constexpr bool disjoint_ascending(std::span<const Range> ranges) {
  for (std::size_t k = 0; k < ranges.size(); ++k) {
    if (ranges[k].first > ranges[k].last) return false;
    if (k > 0 && ranges[k - 1].last >= ranges[k].first) return false;
  }
  return true;
}

bool in_ranges(std::span<const Range> ranges, char32_t c) {
  const auto after = std::upper_bound(ranges.begin(), ranges.end(), c,
                                      [](char32_t v, const Range& r) { return v < r.first; });
  return after != ranges.begin() && c <= std::prev(after)->last;
}

// Default-ignorable code points and further format controls.
constexpr Range INVISIBLE_RANGES[] = {
    {0x00AD, 0x00AD},   {0x034F, 0x034F},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},
    {0x115F, 0x1160},   {0x17B4, 0x17B5},   {0x180B, 0x180F},   {0x200B, 0x200F},
    {0x202A, 0x202E},   {0x2060, 0x206F},   {0x3164, 0x3164},   {0xFE00, 0xFE0F},
    {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFF8},   {0xFFF9, 0xFFFB},
    {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x13438}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF}};

// Hyphens, minus signs and dashes, all written as "-".
constexpr Range DASH_RANGES[] = {
    {0x058A, 0x058A},  {0x05BE, 0x05BE}, {0x1400, 0x1400}, {0x1806, 0x1806}, {0x2010, 0x2015},
    {0x207B, 0x207B},  {0x208B, 0x208B}, {0x2212, 0x2212}, {0x2E17, 0x2E17}, {0x2E1A, 0x2E1A},
    {0x2E3A, 0x2E3B},  {0x2E40, 0x2E40}, {0x2E5D, 0x2E5D}, {0x301C, 0x301C}, {0x3030, 0x3030},
    {0x30A0, 0x30A0},  {0xFE31, 0xFE32}, {0xFE58, 0xFE58}, {0xFE63, 0xFE63}, {0xFF0D, 0xFF0D},
    {0x10EAD, 0x10EAD}};

// Compatibility number forms (superscripts, fractions, circled numbers,
// squared units...) that are kept when ordinary digits dominate their run.
constexpr Range NUMERIC_COMPAT_RANGES[] = {
    {0x00B2, 0x00B3}, {0x00B9, 0x00B9}, {0x00BC, 0x00BE}, {0x2070, 0x2070},  {0x2074, 0x2079},
    {0x2080, 0x2089}, {0x2150, 0x215F}, {0x2189, 0x2189}, {0x2460, 0x249B},  {0x24EA, 0x24EA},
    {0x3251, 0x325F}, {0x32B1, 0x32CB}, {0x3358, 0x3370}, {0x3378, 0x3379},  {0x339F, 0x33A6},
    {0x33A8, 0x33A8}, {0x33AF, 0x33AF}, {0x33E0, 0x33FE}, {0x1F100, 0x1F10A}};

static_assert(disjoint_ascending(INVISIBLE_RANGES) && disjoint_ascending(DASH_RANGES) &&
              disjoint_ascending(NUMERIC_COMPAT_RANGES));

// Letters (General Category Lo) that carry a numeric value, as CPython's
// unicodedata.numeric reports it for Unicode 15.1 (the Unihan numeric
// fields); every other character with a numeric value is a number (Nd, Nl,
// No), which utf8proc's category tells.
constexpr char32_t NUMERIC_IDEOGRAPHS[] = {
    0x3405,  0x3483,  0x382A,  0x3B4D,  0x4E00,  0x4E03,  0x4E07,  0x4E09,  0x4E24,  0x4E5D,
    0x4E8C,  0x4E94,  0x4E96,  0x4EAC,  0x4EBF,  0x4EC0,  0x4EDF,  0x4EE8,  0x4F0D,  0x4F70,
    0x4FE9,  0x5006,  0x5104,  0x5146,  0x5169,  0x516B,  0x516D,  0x5341,  0x5343,  0x5344,
    0x5345,  0x534C,  0x53C1,  0x53C2,  0x53C3,  0x53C4,  0x56DB,  0x58F1,  0x58F9,  0x5E7A,
    0x5EFE,  0x5EFF,  0x5F0C,  0x5F0D,  0x5F0E,  0x5F10,  0x62D0,  0x62FE,  0x634C,  0x67D2,
    0x6D1E,  0x6F06,  0x7396,  0x767E,  0x7695,  0x79ED,  0x8086,  0x842C,  0x8CAE,  0x8CB3,
    0x8D30,  0x920E,  0x94A9,  0x9621,  0x9646,  0x964C,  0x9678,  0x96F6,  0xF96B,  0xF973,
    0xF978,  0xF9B2,  0xF9D1,  0xF9D3,  0xF9FD,  0x20001, 0x20064, 0x200E2, 0x20121, 0x2092A,
    0x20983, 0x2098C, 0x2099C, 0x20AEA, 0x20AFD, 0x20B19, 0x22390, 0x22998, 0x23B1B, 0x2626D,
    0x2F890};

struct ChineseNumeral {
  char32_t numeral;
  char digit;
};

// Ordered by code point.
constexpr ChineseNumeral CHINESE_NUMERALS[] = {
    {0x3007, '0'}, {0x4E00, '1'}, {0x4E03, '7'}, {0x4E09, '3'}, {0x4E5D, '9'},
    {0x4E8C, '2'}, {0x4E94, '5'}, {0x4F0D, '5'}, {0x516B, '8'}, {0x516D, '6'},
    {0x53C1, '3'}, {0x56DB, '4'}, {0x58F9, '1'}, {0x634C, '8'}, {0x67D2, '7'},
    {0x7396, '9'}, {0x8086, '4'}, {0x8D30, '2'}, {0x9646, '6'}, {0x96F6, '0'}};

static_assert(std::ranges::is_sorted(NUMERIC_IDEOGRAPHS) &&
              std::ranges::is_sorted(CHINESE_NUMERALS, {}, &ChineseNumeral::numeral));

// The ASCII digit of a Chinese numeral, or 0 when `c` is none.
char chinese_numeral_digit(char32_t c) {
  const auto found = std::ranges::lower_bound(CHINESE_NUMERALS, c, {}, &ChineseNumeral::numeral);
  return found != std::end(CHINESE_NUMERALS) && found->numeral == c ? found->digit : 0;
}

// Characters that may stand inside a digit run without ending it.
constexpr std::u32string_view RUN_SEPARATORS = U"\t -./:;\u00B7\u3001\uFF0C\uFF1A\uFF1B";

bool is_run_separator(char32_t c) { return RUN_SEPARATORS.find(c) != std::u32string_view::npos; }

bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }

bool has_numeric_value(char32_t c) {
  const utf8proc_category_t category = utf8proc_category(static_cast<utf8proc_int32_t>(c));
  return category == UTF8PROC_CATEGORY_ND || category == UTF8PROC_CATEGORY_NL ||
         category == UTF8PROC_CATEGORY_NO || std::ranges::binary_search(NUMERIC_IDEOGRAPHS, c);
}

bool is_decimal_digit(char32_t c) {
  return utf8proc_category(static_cast<utf8proc_int32_t>(c)) == UTF8PROC_CATEGORY_ND;
}

// Unicode keeps every set of decimal digits in a contiguous 0..9 block, and
// adjacent blocks are whole, so the offset from the start of the run of
// decimal digits gives the value.
char decimal_digit_value(char32_t c) {
  char32_t start = c;
  while (is_decimal_digit(start - 1)) --start;
  return static_cast<char>('0' + (c - start) % 10);
}

const utf8proc_property_t* properties(char32_t c) {
  return utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
}

bool has_decomposition(const utf8proc_property_t* props) {
  return props->decomp_seqindex != UINT16_MAX;
}

// A combining mark for accent stripping; the kana voicing marks are spared
// so that "ガ" keeps its voicing.
bool is_combining_mark(char32_t c) {
  if (c == 0x3099 || c == 0x309A) return false;
  const utf8proc_property_t* props = properties(c);
  return props->combining_class != 0 || props->category == UTF8PROC_CATEGORY_MN ||
         props->category == UTF8PROC_CATEGORY_ME;
}

// The longest decomposition in Unicode has 18 characters.
struct Decomposition {
  std::array<utf8proc_int32_t, 32> chars;
  std::size_t size = 0;
  std::span<const utf8proc_int32_t> view() const { return {chars.data(), size}; }
};

std::size_t checked_length(utf8proc_ssize_t length, std::size_t capacity) {
  if (length < 0 || static_cast<std::size_t>(length) > capacity) {
    throw InternalFailure("a character decomposition does not fit its buffer");
  }
  return static_cast<std::size_t>(length);
}

Decomposition canonical_decomposition(char32_t c) {
  Decomposition d;
  d.size = checked_length(utf8proc_decompose_char(static_cast<utf8proc_int32_t>(c), d.chars.data(),
                                                  d.chars.size(), UTF8PROC_DECOMPOSE, nullptr),
                          d.chars.size());
  return d;
}

// NFKC of one character on its own: no composition with its neighbours.
Decomposition nfkc(char32_t c) {
  utf8proc_uint8_t utf8[4];
  const utf8proc_ssize_t bytes = utf8proc_encode_char(static_cast<utf8proc_int32_t>(c), utf8);
  Decomposition d;
  d.size = checked_length(
      utf8proc_decompose(utf8, bytes, d.chars.data(), d.chars.size(),
                         static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_COMPAT)),
      d.chars.size());
  d.size = checked_length(
      utf8proc_normalize_utf32(d.chars.data(), static_cast<utf8proc_ssize_t>(d.size),
                               static_cast<utf8proc_option_t>(UTF8PROC_COMPOSE | UTF8PROC_STABLE)),
      d.chars.size());
  return d;
}

bool changes_under_nfkc(char32_t c) {
  if (c < 0x80 || !has_decomposition(properties(c))) return false;
  const Decomposition d = nfkc(c);
  return d.size != 1 || static_cast<char32_t>(d.chars[0]) != c;
}

// The text being normalized, one code point per entry, each with the index
// of the input character it came from.
struct Chars {
  std::vector<char32_t> chars;
  std::vector<std::uint64_t> origins;

  void push(char32_t c, std::uint64_t origin) {
    chars.push_back(c);
    origins.push_back(origin);
  }
  void reserve(std::size_t n) {
    chars.reserve(n);
    origins.reserve(n);
  }
};

char32_t fold_lookalike_or_dash(char32_t c) {
  if (c < 0x80) return c;
  const char32_t target = confusable_target(c);
  if (target != c) return target;
  return in_ranges(DASH_RANGES, c) ? U'-' : c;
}

// Drops invisibles, strips accents (a character is decomposed only when its
// canonical decomposition carries a mark), then folds look-alikes and dashes.
void clean_char(char32_t c, std::uint64_t origin, Chars& out) {
  if (in_ranges(INVISIBLE_RANGES, c)) return;
  const utf8proc_property_t* props = properties(c);
  const bool canonical = has_decomposition(props) && props->decomp_type == 0;
  if (canonical) {
    const Decomposition d = canonical_decomposition(c);
    const auto is_mark = [](utf8proc_int32_t part) { return is_combining_mark(part); };
    if (std::ranges::any_of(d.view(), is_mark)) {
      for (const utf8proc_int32_t part : d.view()) {
        if (!is_mark(part)) out.push(fold_lookalike_or_dash(part), origin);
      }
      return;
    }
  } else if (is_combining_mark(c)) {
    return;
  }
  out.push(fold_lookalike_or_dash(c), origin);
}

Chars clean(std::string_view text) {
  Chars out;
  out.reserve(char_count(text));
  std::uint64_t index = 0;
  for (std::size_t pos = 0; pos < text.size(); ++index) {
    const char32_t c = decode_utf8(text, pos);
    if (c < 0x80) {
      out.push(c, index);
    } else {
      clean_char(c, index, out);
    }
  }
  return out;
}

// End of the digit run that starts at `begin`: digit-like characters and
// separators continue it.
template <class IsDigit>
std::size_t run_end(const std::vector<char32_t>& chars, std::size_t begin, IsDigit is_digit) {
  std::size_t end = begin;
  while (end < chars.size() && (is_digit(chars[end]) || is_run_separator(chars[end]))) ++end;
  return end;
}

void push_nfkc(char32_t c, std::uint64_t origin, Chars& out) {
  if (!changes_under_nfkc(c)) {
    out.push(c, origin);
    return;
  }
  const Decomposition folded = nfkc(c);
  for (const utf8proc_int32_t part : folded.view()) out.push(part, origin);
}

bool is_compat_run_digit(char32_t c) {
  return is_ascii_digit(c) ||
         (c >= 0x80 && (in_ranges(NUMERIC_COMPAT_RANGES, c) || has_numeric_value(c)));
}

// Folds every character to NFKC except number forms in a digit run where
// ordinary digits are at least as many as they are ("5²" stays, "①③⑧"
// does not).
Chars fold_compatibility(const Chars& in) {
  Chars out;
  out.reserve(in.chars.size() + in.chars.size() / 8);
  for (std::size_t k = 0; k < in.chars.size();) {
    if (!is_compat_run_digit(in.chars[k])) {
      push_nfkc(in.chars[k], in.origins[k], out);
      ++k;
      continue;
    }
    const std::size_t end = run_end(in.chars, k, is_compat_run_digit);
    std::size_t forms = 0, digits = 0;
    for (std::size_t j = k; j < end; ++j) {
      forms += in_ranges(NUMERIC_COMPAT_RANGES, in.chars[j]);
      digits += is_compat_run_digit(in.chars[j]);
    }
    const bool protect = 2 * forms <= digits;
    for (; k < end; ++k) {
      if (protect && in_ranges(NUMERIC_COMPAT_RANGES, in.chars[k])) {
        out.push(in.chars[k], in.origins[k]);
      } else {
        push_nfkc(in.chars[k], in.origins[k], out);
      }
    }
  }
  return out;
}

enum class DigitKind { None, ChineseNumeral, Ascii, OtherDecimal, OtherNumeric };

DigitKind digit_kind(char32_t c) {
  if (is_ascii_digit(c)) return DigitKind::Ascii;
  if (c < 0x80) return DigitKind::None;
  if (chinese_numeral_digit(c)) return DigitKind::ChineseNumeral;
  if (is_decimal_digit(c)) return DigitKind::OtherDecimal;
  if (c > 0xB1 && has_numeric_value(c)) return DigitKind::OtherNumeric;
  return DigitKind::None;
}

// Rewrites one digit run in place. `kinds` are the kinds of its digit-like
// characters in order (separators skipped) and `positions` where they stand;
// both describe the run before any rewrite.
void fold_one_run(std::vector<char32_t>& chars, std::span<const DigitKind> kinds,
                  std::span<const std::size_t> positions) {
  const auto numerals = std::ranges::count(kinds, DigitKind::ChineseNumeral);
  if (kinds.size() > 6 && 2 * static_cast<std::size_t>(numerals) > kinds.size()) {
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      if (kinds[k] == DigitKind::ChineseNumeral) {
        chars[positions[k]] = chinese_numeral_digit(chars[positions[k]]);
      }
    }
  }
  // Non-ASCII decimal digits wedged between ASCII digits ("138٠٠138000").
  for (std::size_t k = 0; k < kinds.size();) {
    if (kinds[k] != DigitKind::OtherDecimal) {
      ++k;
      continue;
    }
    std::size_t end = k;
    while (end < kinds.size() && kinds[end] == DigitKind::OtherDecimal) ++end;
    if (k > 0 && kinds[k - 1] == DigitKind::Ascii && end < kinds.size() &&
        kinds[end] == DigitKind::Ascii) {
      for (std::size_t j = k; j < end; ++j) {
        chars[positions[j]] = decimal_digit_value(chars[positions[j]]);
      }
    }
    k = end;
  }
}

// Length-preserving, so the offset map stays valid.
void fold_runs(std::vector<char32_t>& chars) {
  std::vector<DigitKind> kinds;
  std::vector<std::size_t> positions;
  const auto is_digit = [](char32_t c) { return digit_kind(c) != DigitKind::None; };
  for (std::size_t k = 0; k < chars.size();) {
    if (!is_digit(chars[k])) {
      ++k;
      continue;
    }
    const std::size_t end = run_end(chars, k, is_digit);
    kinds.clear();
    positions.clear();
    for (std::size_t j = k; j < end; ++j) {
      const DigitKind kind = digit_kind(chars[j]);
      if (kind == DigitKind::None) continue;
      kinds.push_back(kind);
      positions.push_back(j);
    }
    fold_one_run(chars, kinds, positions);
    k = end;
  }
}

std::string encode(const std::vector<char32_t>& chars) {
  std::string out;
  out.reserve(chars.size() * 3);
  for (const char32_t c : chars) {
    utf8proc_uint8_t utf8[4];
    const utf8proc_ssize_t n = utf8proc_encode_char(static_cast<utf8proc_int32_t>(c), utf8);
    out.append(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace

std::optional<NormalizedText> normalize(std::string_view text, bool fold_digit_runs) {
  if (is_ascii(text)) return std::nullopt;
  Chars chars = clean(text);
  // Compatibility folding is skipped when no character changes under NFKC
  // on its own: every text already in NFKC qualifies, and for the others
  // folding would change nothing either.
  if (std::ranges::any_of(chars.chars, changes_under_nfkc)) chars = fold_compatibility(chars);
  if (fold_digit_runs) fold_runs(chars.chars);
  std::string out = encode(chars.chars);
  if (out == text) return std::nullopt;
  return NormalizedText{std::move(out), std::move(chars.origins)};
}

CharSpan map_span_to_original(CharSpan span,
                              std::optional<std::span<const std::uint64_t>> offset_map,
                              std::uint64_t original_len) {
  if (!offset_map) return span;
  const auto [start, end] = span;
  const std::span<const std::uint64_t> map = *offset_map;
  return {start < map.size() ? map[start] : original_len,
          end >= 1 && end <= map.size() ? map[end - 1] + 1 : original_len};
}

}  // namespace vexil::core
