// UTF-8 helpers shared by the core: the input ceiling, ASCII checks and the
// cursor that turns byte positions into character offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "error.hpp"

namespace vexil::core {

inline constexpr std::size_t MAX_INPUT_SIZE = 1048576;

// Refuses a text longer than MAX_INPUT_SIZE bytes of UTF-8.
Result<void> check_input_size(std::string_view text);

bool is_ascii(std::string_view text);

inline bool is_continuation_byte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length in bytes of the UTF-8 character that starts with `lead`.
inline std::size_t utf8_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

// The code point starting at byte `pos`; advances `pos` past it.
char32_t decode_utf8(std::string_view text, std::size_t& pos);

// Number of characters (code points) of a UTF-8 text.
std::size_t char_count(std::string_view text);

// The byte position `count` characters after byte `pos` (the end of the text
// when it is shorter).
std::size_t advance_chars(std::string_view text, std::size_t pos, std::uint64_t count);

// A whole text of ASCII digits as a signed 64-bit number; any other
// character (a non-ASCII digit, say) or an overflow gives nothing.
std::optional<std::int64_t> parse_decimal(std::string_view digits);

// Decimal with at least `width` characters, zero-padded after any sign.
std::string zero_padded(std::int64_t value, std::size_t width);

// Membership in the Unicode White_Space property (25 code points).
bool is_white_space(char32_t c);

// The text without White_Space characters at either end.
std::string_view trim_white_space(std::string_view text);

// Nearest character boundary at or before / at or after `pos`.
std::size_t floor_boundary(std::string_view text, std::size_t pos);
std::size_t ceil_boundary(std::string_view text, std::size_t pos);

// Converts byte positions of one text into character offsets. It remembers
// the last conversion, so positions converted in increasing order cost only
// the distance between them; all-ASCII texts skip counting entirely.
class CharCursor {
 public:
  explicit CharCursor(std::string_view text);
  CharCursor(std::string_view text, bool ascii) : text_(text), ascii_(ascii) {}

  // `byte` must lie on a character boundary (InternalFailure otherwise).
  std::uint64_t to_char(std::size_t byte);

 private:
  std::string_view text_;
  bool ascii_;
  std::size_t byte_ = 0;
  std::uint64_t chars_ = 0;
};

}  // namespace vexil::core
