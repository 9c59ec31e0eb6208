// Named checks of a matched text (checksums, layouts, plausibility bounds)
// that a regular expression cannot express. The pattern engine looks them up
// by the name a pattern record gives and runs them once per match.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "regex.hpp"

namespace vexil::core {

using Validator = bool (*)(std::string_view text);  // text is valid UTF-8

// The predicate registered under `name` (exact, case-sensitive), or nullptr.
Validator lookup_validator(std::string_view name);

// Luhn check digit (0..9) of an ASCII digit string (digits only).
int luhn_check_digit(std::string_view digits);

// Check characters shared by the validators and the fakers that build valid
// numbers. Inputs are ASCII: digits, capital letters 'A'..'Z'.
// Mainland resident ID: '0'..'9' or 'X' for a 17-digit body.
char gb11643_check_char(std::string_view body);
// HKID: '0'..'9' or 'X' for one or two letters and six digits.
char hkid_check_char(std::string_view letters, std::string_view digits);
// Taiwan ID: 0..9 for a letter and eight digits.
int twid_check_digit(char letter, std::string_view digits);

// The first run of Unicode decimal digits (\d+) in a text, and its value
// when the run is all ASCII and fits a signed 64-bit integer. Ages are read
// this way by the `age` validator and perturbed by the age faker.
struct NumberRun {
  ByteSpan span;
  std::optional<std::int64_t> value;
};
std::optional<NumberRun> first_number(std::string_view text);

// The `jwt` predicate is also used directly elsewhere.
bool validate_jwt(std::string_view text);

}  // namespace vexil::core
