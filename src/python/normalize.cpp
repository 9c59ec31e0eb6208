// Python face of text normalization: normalize_text and
// map_spans_to_original, both holding the interpreter lock.
#include "normalize.hpp"

#include <climits>

#include "../core/normalize.hpp"

namespace vexil::py {

namespace {

Ref normalize_text(const Args& args) {
  const std::string_view text = args.take(0, as_text);
  auto normalized = core::normalize(text, /*fold_digit_runs=*/true);
  if (!normalized) return tuple_of(new_str(text), Ref::borrowed(Py_None));
  return tuple_of(new_str(normalized->text), list_of(normalized->offset_map, new_u64));
}

// A mapped end is an entry plus one, so the largest 64-bit value is refused
// as the interpreter refuses any wider one.
std::uint64_t as_map_entry(PyObject* obj) {
  const std::uint64_t entry = as_u64(obj);
  if (entry == ULLONG_MAX) {
    PyErr_SetString(PyExc_OverflowError, "int too big to convert");
    throw_python_error();
  }
  return entry;
}

std::vector<std::uint64_t> as_offset_map(PyObject* obj) { return as_list_of(obj, as_map_entry); }

Ref map_spans_to_original(const Args& args) {
  const auto spans = args.take(0, as_spans);
  const auto offset_map = args.take_optional(1, as_offset_map);
  const std::uint64_t original_len = args.take(2, as_u64);
  return list_of(spans, [&](const core::CharSpan& span) {
    const auto [start, end] = core::map_span_to_original(span, offset_map, original_len);
    return tuple_of(new_u64(start), new_u64(end));
  });
}

constexpr Param NORMALIZE_TEXT_PARAMS[] = {{"text"}};
constexpr Param MAP_SPANS_PARAMS[] = {{"spans"}, {"offset_map"}, {"original_len"}};

}  // namespace

constinit const Function NORMALIZE_TEXT{
    {"normalize_text", NORMALIZE_TEXT_PARAMS,
     "Normalize text for PII detection; return (normalized, offset_map).\n\n"
     "Drops invisible characters and accents, folds look-alike letters, dashes,\n"
     "full-width, circled and other compatibility forms and Chinese-numeral\n"
     "digit runs. offset_map[i] is the index in `text` of the character that\n"
     "produced normalized[i]; it is None when nothing changed."},
    normalize_text};

constinit const Function MAP_SPANS_TO_ORIGINAL{
    {"map_spans_to_original", MAP_SPANS_PARAMS,
     "Map (start, end) spans of normalized text back to the original text.\n\n"
     "offset_map is the map normalize_text returned (None leaves the spans\n"
     "unchanged); a position it does not cover maps to original_len."},
    map_spans_to_original};

}  // namespace vexil::py
