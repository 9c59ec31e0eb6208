// The entity record that carries every detection through the system, the
// stable hash the Python class uses, and the identifier type names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vexil::core {

struct Entity {
  std::string text;
  std::string type;
  std::uint64_t start = 0;  // character offsets into the input, end exclusive
  std::uint64_t end = 0;
  double confidence = 1.0;
  std::uint8_t layer = 0;
};

// A (start, end) pair of character offsets, end exclusive.
using CharSpan = std::pair<std::uint64_t, std::uint64_t>;

// SipHash-1-3 with the all-zero key over text, 0xFF, type, 0xFF, start and
// end (8 bytes little-endian each): the same value in every process.
std::uint64_t entity_hash(std::string_view text, std::string_view type, std::uint64_t start,
                          std::uint64_t end);

// Membership in the fixed set of personal-identifier type names.
bool is_identifier_type(std::string_view type);

}  // namespace vexil::core
