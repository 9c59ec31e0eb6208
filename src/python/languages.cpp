// Python face of language detection.
#include "languages.hpp"

#include "../core/languages.hpp"

namespace vexil::py {

namespace {

Ref detect_languages(const Args& args) {
  const auto codes = core::detect_languages(args.take(0, as_text));
  Ref list = Ref::checked(PyList_New(static_cast<Py_ssize_t>(codes.size())));
  for (std::size_t i = 0; i < codes.size(); ++i) {
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), new_str(codes[i]).release());
  }
  return list;
}

constexpr Param PARAMS[] = {{"text"}};

}  // namespace

constinit const Function DETECT_LANGUAGES{{"detect_languages", PARAMS, ""}, detect_languages};

}  // namespace vexil::py
