// PatternMatch: an immutable Python object over one entity record, with
// value equality on (text, type, start, end) and a process-independent hash.
#include "types.hpp"

#include <charconv>
#include <cstddef>
#include <string>
#include <unordered_map>

#include "classes.hpp"

namespace vexil::py {

namespace {

struct PatternMatchObject {
  PyObject_HEAD PyObject* text;  // exact str objects
  PyObject* type;
  unsigned long long start;
  unsigned long long end;
  double confidence;
  unsigned char layer;
};

constexpr Param CONSTRUCTOR_PARAMS[] = {
    {"text"}, {"type_"}, {"start"}, {"end"}, {"confidence", "1.0"}, {"layer", "0"}};
constexpr Signature CONSTRUCTOR{
    "PatternMatch", CONSTRUCTOR_PARAMS,
    "A PII match detected by regex pattern.\n\n"
    "Wraps the core entity record: matched text, type name, character offsets\n"
    "(end exclusive), confidence and detection layer."};

PatternMatchObject* as_object(PyObject* obj) { return reinterpret_cast<PatternMatchObject*>(obj); }

bool is_pattern_match(PyObject* obj) { return PyObject_TypeCheck(obj, pattern_match_type()); }

// An exact str with the same characters (subclasses are not kept).
Ref exact_str(PyObject* obj) {
  if (PyUnicode_CheckExact(obj)) return Ref::borrowed(obj);
  return Ref::checked(PyUnicode_FromObject(obj));
}

PyObject* pattern_match_new(PyTypeObject* cls, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    Args a(CONSTRUCTOR, args, kwargs);
    a.take(0, as_text);
    a.take(1, as_text);
    const auto start = a.take(2, as_u64);
    const auto end = a.take(3, as_u64);
    const double confidence = a.take_optional(4, as_float).value_or(1.0);
    const auto layer = a.take_optional(5, as_u8).value_or(0);
    Ref text = exact_str(a.optional(0));
    Ref type = exact_str(a.optional(1));
    Ref self = Ref::checked(cls->tp_alloc(cls, 0));
    PatternMatchObject* m = as_object(self.get());
    m->text = text.release();
    m->type = type.release();
    m->start = start;
    m->end = end;
    m->confidence = confidence;
    m->layer = layer;
    return self;
  });
}

void pattern_match_dealloc(PyObject* self) {
  PatternMatchObject* m = as_object(self);
  Py_XDECREF(m->text);
  Py_XDECREF(m->type);
  PyTypeObject* cls = Py_TYPE(self);
  cls->tp_free(self);
  Py_DECREF(cls);
}

PyObject* pattern_match_richcompare(PyObject* a, PyObject* b, int op) {
  if ((op != Py_EQ && op != Py_NE) || !is_pattern_match(a) || !is_pattern_match(b)) {
    Py_RETURN_NOTIMPLEMENTED;
  }
  PatternMatchObject* x = as_object(a);
  PatternMatchObject* y = as_object(b);
  bool equal = x->start == y->start && x->end == y->end;
  for (auto [p, q] : {std::pair{x->text, y->text}, std::pair{x->type, y->type}}) {
    if (!equal) break;
    int same = PyUnicode_Compare(p, q);
    if (same == -1 && PyErr_Occurred()) return nullptr;
    equal = same == 0;
  }
  return PyBool_FromLong(equal == (op == Py_EQ));
}

std::string_view utf8_of(PyObject* str) {
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(str, &size);  // checked encodable at construction
  return {utf8, static_cast<std::size_t>(size)};
}

Py_hash_t pattern_match_hash(PyObject* self) {
  PatternMatchObject* m = as_object(self);
  const auto h = static_cast<Py_hash_t>(
      core::entity_hash(utf8_of(m->text), utf8_of(m->type), m->start, m->end));
  return h == -1 ? -2 : h;
}

// Shortest round-trip digits, written positionally: 1.0 -> "1", 0.3 -> "0.3".
std::string format_confidence(double value) {
  char buffer[512];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return ec == std::errc() ? std::string(buffer, end) : std::to_string(value);
}

PyObject* pattern_match_repr(PyObject* self) {
  return guarded([&] {
    PatternMatchObject* m = as_object(self);
    std::string out = "PatternMatch(text='";
    out += utf8_of(m->text);
    out += "', type='";
    out += utf8_of(m->type);
    out += "', start=" + std::to_string(m->start) + ", end=" + std::to_string(m->end) +
           ", confidence=" + format_confidence(m->confidence) +
           ", layer=" + std::to_string(m->layer) + ")";
    return new_str(out);
  });
}

PyMemberDef pattern_match_members[] = {
    {"text", Py_T_OBJECT_EX, offsetof(PatternMatchObject, text), Py_READONLY, "The matched text."},
    {"type", Py_T_OBJECT_EX, offsetof(PatternMatchObject, type), Py_READONLY, "The PII type name."},
    {"start", Py_T_ULONGLONG, offsetof(PatternMatchObject, start), Py_READONLY,
     "Start offset in characters (inclusive)."},
    {"end", Py_T_ULONGLONG, offsetof(PatternMatchObject, end), Py_READONLY,
     "End offset in characters (exclusive)."},
    {"confidence", Py_T_DOUBLE, offsetof(PatternMatchObject, confidence), Py_READONLY,
     "Confidence of the detection."},
    {"layer", Py_T_UBYTE, offsetof(PatternMatchObject, layer), Py_READONLY,
     "The detection layer that produced the match."},
    {nullptr, 0, 0, 0, nullptr}};

Ref new_pattern_match(Ref text, PyObject* type, const core::Entity& e) {
  PyTypeObject* cls = pattern_match_type();
  Ref self = Ref::checked(cls->tp_alloc(cls, 0));
  PatternMatchObject* m = as_object(self.get());
  m->text = text.release();
  m->type = Py_NewRef(type);
  m->start = e.start;
  m->end = e.end;
  m->confidence = e.confidence;
  m->layer = e.layer;
  return self;
}

}  // namespace

PyTypeObject* pattern_match_type() {
  static PyMethodDef no_methods[] = {{}};
  static PyTypeObject* cls = new_class(
      CONSTRUCTOR, sizeof(PatternMatchObject), pattern_match_new, pattern_match_dealloc, no_methods,
      {{Py_tp_richcompare, reinterpret_cast<void*>(pattern_match_richcompare)},
       {Py_tp_hash, reinterpret_cast<void*>(pattern_match_hash)},
       {Py_tp_repr, reinterpret_cast<void*>(pattern_match_repr)},
       {Py_tp_members, pattern_match_members}},
      Py_TPFLAGS_BASETYPE);
  return cls;
}

core::Entity as_entity(PyObject* obj) {
  if (!obj || !is_pattern_match(obj)) raise_type_mismatch(obj, "PatternMatch");
  PatternMatchObject* m = as_object(obj);
  return core::Entity{std::string(utf8_of(m->text)),
                      std::string(utf8_of(m->type)),
                      m->start,
                      m->end,
                      m->confidence,
                      m->layer};
}

std::vector<core::Entity> as_entities(PyObject* obj) { return as_list_of(obj, as_entity); }

Ref entity_list(const std::vector<core::Entity>& entities) {
  Ref list = Ref::checked(PyList_New(static_cast<Py_ssize_t>(entities.size())));
  // Entities of one call share few type names: make each str once.
  std::unordered_map<std::string_view, Ref> types;
  for (std::size_t i = 0; i < entities.size(); ++i) {
    const core::Entity& e = entities[i];
    auto [slot, inserted] = types.try_emplace(e.type);
    if (inserted) slot->second = new_str(e.type);
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i),
                    new_pattern_match(new_str(e.text), slot->second.get(), e).release());
  }
  return list;
}

}  // namespace vexil::py
