// UTF-8 helpers: input ceiling, ASCII detection, byte-to-character cursor.
#include "text.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <string>

namespace vexil::core {

Result<void> check_input_size(std::string_view text) {
  if (text.size() > MAX_INPUT_SIZE) {
    return fail("input too large: " + std::to_string(text.size()) +
                " bytes exceeds MAX_INPUT_SIZE " + std::to_string(MAX_INPUT_SIZE));
  }
  return {};
}

bool is_ascii(std::string_view text) {
  const char* p = text.data();
  std::size_t n = text.size();
  std::uint64_t high = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    high |= word;
  }
  for (; n > 0; ++p, --n) high |= static_cast<unsigned char>(*p);
  return (high & 0x8080808080808080ULL) == 0;
}

char32_t decode_utf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const std::size_t length = utf8_length(lead);
  constexpr unsigned char payload[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t c = lead & payload[length];
  std::size_t i = 1;
  for (; i < length && pos + i < text.size(); ++i) {
    c = (c << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  }
  pos += i;
  return c;
}

std::size_t char_count(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) n += !is_continuation_byte(static_cast<unsigned char>(c));
  return n;
}

std::size_t advance_chars(std::string_view text, std::size_t pos, std::uint64_t count) {
  for (; count > 0 && pos < text.size(); --count) {
    pos += utf8_length(static_cast<unsigned char>(text[pos]));
  }
  return std::min(pos, text.size());
}

std::optional<std::int64_t> parse_decimal(std::string_view digits) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

std::string zero_padded(std::int64_t value, std::size_t width) {
  // The magnitude as unsigned, so the most negative value needs no negation.
  const std::uint64_t magnitude =
      value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  const std::size_t sign = value < 0 ? 1 : 0;
  if (digits.size() + sign < width) digits.insert(0, width - sign - digits.size(), '0');
  if (sign) digits.insert(0, 1, '-');
  return digits;
}

bool is_white_space(char32_t c) {
  constexpr char32_t WHITE_SPACE[] = {0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085,
                                      0x00A0, 0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004,
                                      0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028,
                                      0x2029, 0x202F, 0x205F, 0x3000};
  static_assert(std::size(WHITE_SPACE) == 25);
  return std::ranges::binary_search(WHITE_SPACE, c);
}

std::string_view trim_white_space(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t next = begin;
    if (!is_white_space(decode_utf8(text, next))) break;
    begin = next;
  }
  std::size_t end = text.size();
  while (end > begin) {
    std::size_t last = floor_boundary(text, end - 1);
    std::size_t next = last;
    if (!is_white_space(decode_utf8(text, next))) break;
    end = last;
  }
  return text.substr(begin, end - begin);
}

std::size_t floor_boundary(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  while (pos > 0 && is_continuation_byte(static_cast<unsigned char>(text[pos]))) --pos;
  return pos;
}

std::size_t ceil_boundary(std::string_view text, std::size_t pos) {
  while (pos < text.size() && is_continuation_byte(static_cast<unsigned char>(text[pos]))) ++pos;
  return pos < text.size() ? pos : text.size();
}

CharCursor::CharCursor(std::string_view text) : CharCursor(text, is_ascii(text)) {}

std::uint64_t CharCursor::to_char(std::size_t byte) {
  if (ascii_) return byte;
  if (byte > text_.size() ||
      (byte < text_.size() && is_continuation_byte(static_cast<unsigned char>(text_[byte])))) {
    throw InternalFailure("byte offset " + std::to_string(byte) +
                          " is not on a character boundary");
  }
  if (byte >= byte_) {
    chars_ += char_count(text_.substr(byte_, byte - byte_));
  } else {
    chars_ -= char_count(text_.substr(byte, byte_ - byte));
  }
  byte_ = byte;
  return chars_;
}

}  // namespace vexil::core
