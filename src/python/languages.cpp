// Python face of language detection.
#include "languages.hpp"

#include "../core/languages.hpp"

namespace vexil::py {

namespace {

Ref detect_languages(const Args& args) {
  return str_list(core::detect_languages(args.take(0, as_text)));
}

constexpr Param PARAMS[] = {{"text"}};

}  // namespace

constinit const Function DETECT_LANGUAGES{{"detect_languages", PARAMS, ""}, detect_languages};

}  // namespace vexil::py
