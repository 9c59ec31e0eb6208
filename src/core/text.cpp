// UTF-8 helpers: input ceiling, ASCII detection, byte-to-character cursor.
#include "text.hpp"

#include <cstring>
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
