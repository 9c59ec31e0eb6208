// Look-alike letters of other scripts (Cyrillic, Greek, Coptic, small
// capitals...) and the ASCII letters they imitate, from the embedded
// "confusables" document.
#pragma once

namespace vexil::core {

// The ASCII letter `c` imitates, or `c` itself when it imitates none.
char32_t confusable_target(char32_t c);

}  // namespace vexil::core
