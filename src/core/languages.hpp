// Script-based guess of the language tables a text needs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexil::core {

// Codes among "ja", "ko", "zh", "en", in that order; never empty ("zh" when
// no supported script is seen).
std::vector<std::string> detect_languages(std::string_view text);

}  // namespace vexil::core
