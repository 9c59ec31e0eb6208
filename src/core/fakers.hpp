// The built-in fakers of the realistic strategy, their (type, language)
// table, and the re-roll loop that makes a fake unique.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "error.hpp"
#include "shake_rng.hpp"
#include "string_set.hpp"

namespace vexil::core {

struct Fake {
  std::string text;
  std::vector<std::string> aliases;
};

// A faker draws from a generator positioned at the start of its stream; a
// custom (Python) faker may fail with an error, built-in ones never do.
using Faker = std::function<Result<Fake>(std::string_view value, ShakeRng& rng)>;

// The built-in faker of that exact (type, lang) row, or nullopt.
std::optional<std::string_view> builtin_faker_name(std::string_view type, std::string_view lang);

// The 22 built-in faker names, in table order.
std::span<const std::string_view> builtin_faker_names();

// The built-in faker registered under `name`, or nullopt.
std::optional<Faker> builtin_faker(std::string_view name);

// The built-in faker registered under `name`, or the error "unknown faker: <name>".
Result<Faker> resolve_faker(std::string_view name);

// Ten attempts seeded from value, value#0, value#0#1, ...; the first fake
// that differs from the value and is not in `used` wins.
Result<Fake> generate_unique_fake(const Faker& faker, std::string_view value, std::string_view type,
                                  std::string_view salt, const StringSet& used);

}  // namespace vexil::core
