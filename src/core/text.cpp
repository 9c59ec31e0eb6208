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
  auto count = [this](std::size_t from, std::size_t to) {
    std::uint64_t n = 0;
    for (std::size_t i = from; i < to; ++i) {
      n += !is_continuation_byte(static_cast<unsigned char>(text_[i]));
    }
    return n;
  };
  if (byte >= byte_) {
    chars_ += count(byte_, byte);
  } else {
    chars_ -= count(byte, byte_);
  }
  byte_ = byte;
  return chars_;
}

}  // namespace vexil::core
