// Salt, per-value seeds and the SHAKE-256 byte stream with its frozen draw
// rules: the chain that makes realistic fakes reproducible everywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "error.hpp"

namespace vexil::core {

// A salt argument as given: none, a byte string, or a signed 64-bit integer.
using SaltArg = std::variant<std::monostate, std::string, std::int64_t>;

inline constexpr const char* SALT_ENV_VAR = "VEXIL_REDACT_PSEUDONYM_SALT";

// The effective salt bytes; with no salt the environment variable is read
// afresh on every call.
Result<std::string> resolve_salt(const SaltArg& salt);

using Seed = std::array<std::uint8_t, 32>;

// HMAC-SHA256 keyed with the salt over "<type>:<value>".
Seed seed_from_value(std::string_view value, std::string_view type, std::string_view salt);

// First four bytes of SHA-256(type), big-endian, modulo 10000.
std::uint32_t type_seed_offset(std::string_view type);

// SHAKE-256 of a seed, read incrementally: any sequence of reads yields the
// leading bytes of the output in order.
class ShakeRng {
 public:
  explicit ShakeRng(std::span<const std::uint8_t> seed);
  explicit ShakeRng(std::string_view seed);

  void read(std::span<std::uint8_t> out);
  // Uniform in [a, b] (a <= b) by byte-wise rejection sampling.
  std::int64_t randint(std::int64_t a, std::int64_t b);
  // n decimal digits, one randint(0, 9) each.
  std::string random_digits(std::size_t n);

 private:
  void squeeze_block();

  std::array<std::uint64_t, 25> state_{};
  std::array<std::uint8_t, 136> block_{};
  std::size_t position_ = 136;
};

}  // namespace vexil::core
