// The embedded JSON documents, generated into the build from src/core/data.
#pragma once

#include <cstddef>
#include <string_view>

namespace vexil::core {

struct EmbeddedDocument {
  std::string_view stem;  // path under src/core/data without ".json"
  std::string_view text;
};

extern const EmbeddedDocument EMBEDDED_DOCUMENTS[];
extern const std::size_t EMBEDDED_DOCUMENT_COUNT;

}  // namespace vexil::core
