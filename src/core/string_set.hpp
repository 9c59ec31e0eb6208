// Hash containers keyed by std::string that can be looked up with a
// std::string_view without building a temporary string.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vexil::core {

struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

using StringSet = std::unordered_set<std::string, StringHash, std::equal_to<>>;

template <class Value>
using StringMap = std::unordered_map<std::string, Value, StringHash, std::equal_to<>>;

}  // namespace vexil::core
