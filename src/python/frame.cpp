// Frame implementation: argument matching with the interpreter's wording,
// converters, exception classes and error mapping, borrow flags.
#include "frame.hpp"

#include <cstring>

namespace vexil::py {

namespace {

PyObject* scan_aborted = nullptr;      // process-wide, created at module exec
PyObject* internal_failure = nullptr;  // process-wide, created at module exec

[[noreturn]] void raise_type_error(const std::string& message) {
  PyErr_SetString(PyExc_TypeError, message.c_str());
  throw_python_error();
}

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'" as the interpreter lists names.
std::string quoted_list(const std::vector<const char*>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += names.size() == 2 ? " and " : (i + 1 == names.size() ? ", and " : ", ");
    out += '\'';
    out += names[i];
    out += '\'';
  }
  return out;
}

std::string plural(std::size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

void throw_python_error() { throw PythonError{}; }

// ---- signatures ---------------------------------------------------------

std::string docstring(const Signature& sig, bool self_marker) {
  std::string out = sig.name;
  out += '(';
  bool first = true;
  auto separator = [&] {
    if (!first) out += ", ";
    first = false;
  };
  if (self_marker) {
    separator();
    out += "$self";
  }
  bool star_written = false;
  for (const Param& p : sig.params) {
    if (p.keyword_only && !star_written) {
      separator();
      out += '*';
      star_written = true;
    }
    separator();
    out += p.name;
    if (p.default_text) {
      out += '=';
      out += p.default_text;
    }
  }
  out += ")\n--\n\n";
  out += sig.doc;
  return out;
}

Args::Args(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)
    : sig_(sig) {
  match(args, PyVectorcall_NARGS(nargs), kwnames, args + PyVectorcall_NARGS(nargs));
}

Args::Args(const Signature& sig, PyObject* tuple, PyObject* dict) : sig_(sig) {
  std::vector<PyObject*> kwvalues;
  Ref kwnames;
  if (dict && PyDict_GET_SIZE(dict) > 0) {
    kwnames = Ref::checked(PyTuple_New(PyDict_GET_SIZE(dict)));
    Py_ssize_t pos = 0, i = 0;
    PyObject *key, *value;
    while (PyDict_Next(dict, &pos, &key, &value)) {
      PyTuple_SET_ITEM(kwnames.get(), i++, Py_NewRef(key));
      kwvalues.push_back(value);
    }
  }
  match(&PyTuple_GET_ITEM(tuple, 0), PyTuple_GET_SIZE(tuple), kwnames.get(), kwvalues.data());
}

void Args::match(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                 PyObject* const* kwvalues) {
  const std::size_t count = sig_.params.size();
  if (count > MAX_PARAMS) throw core::InternalFailure("signature has too many parameters");
  std::size_t positional = 0, positional_required = 0;
  for (const Param& p : sig_.params) {
    if (p.keyword_only) continue;
    ++positional;
    if (!p.default_text) ++positional_required;
  }
  const auto given = static_cast<std::size_t>(nargs);
  if (given > positional) {
    std::string takes = positional_required == positional
                            ? plural(positional, "positional argument")
                            : "from " + std::to_string(positional_required) + " to " +
                                  std::to_string(positional) + " positional arguments";
    raise_type_error(std::string(sig_.name) + "() takes " + takes + " but " +
                     std::to_string(given) + (given == 1 ? " was" : " were") + " given");
  }
  for (std::size_t i = 0; i < given; ++i) v_[i] = args[i];

  const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t k = 0; k < nkw; ++k) {
    PyObject* key = PyTuple_GET_ITEM(kwnames, k);
    Py_ssize_t key_len = 0;
    const char* key_utf8 = PyUnicode_Check(key) ? PyUnicode_AsUTF8AndSize(key, &key_len) : nullptr;
    if (!key_utf8) {
      PyErr_Clear();
      raise_type_error(std::string(sig_.name) + "() keywords must be strings");
    }
    std::size_t found = count;
    for (std::size_t i = 0; i < count; ++i) {
      if (std::string_view(sig_.params[i].name) == std::string_view(key_utf8, key_len)) found = i;
    }
    if (found == count) {
      raise_type_error(std::string(sig_.name) + "() got an unexpected keyword argument '" +
                       key_utf8 + "'");
    }
    if (v_[found]) {
      raise_type_error(std::string(sig_.name) + "() got multiple values for argument '" + key_utf8 +
                       "'");
    }
    v_[found] = kwvalues[k];
  }

  for (bool keyword_only : {false, true}) {
    std::vector<const char*> missing;
    for (std::size_t i = 0; i < count; ++i) {
      const Param& p = sig_.params[i];
      if (p.keyword_only == keyword_only && !p.default_text && !v_[i]) missing.push_back(p.name);
    }
    if (!missing.empty()) {
      raise_type_error(std::string(sig_.name) + "() missing " +
                       plural(missing.size(), keyword_only ? "required keyword-only argument"
                                                           : "required positional argument") +
                       ": " + quoted_list(missing));
    }
  }
}

void Args::add_processing_note(std::size_t i) const {
  PyObject* exc = PyErr_GetRaisedException();
  if (!exc) return;
  std::string note = std::string("while processing '") + sig_.params[i].name + "'";
  PyObject* result = PyObject_CallMethod(exc, "add_note", "s", note.c_str());
  if (result) {
    Py_DECREF(result);
    PyErr_SetRaisedException(exc);
  } else {
    Py_DECREF(exc);  // the failure to add a note replaces the original error
  }
}

// ---- converters ---------------------------------------------------------

void raise_type_mismatch(PyObject* obj, const char* expected) {
  if (obj == Py_None || obj == nullptr) {
    raise_type_error(std::string("'None' is not an instance of '") + expected + "'");
  }
  raise_type_error(std::string("'") + Py_TYPE(obj)->tp_name + "' object is not an instance of '" +
                   expected + "'");
}

std::string_view as_text(PyObject* obj) {
  if (!obj || !PyUnicode_Check(obj)) raise_type_mismatch(obj, "str");
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(obj, &size);
  if (!utf8) throw_python_error();  // lone surrogate: UnicodeEncodeError
  return {utf8, static_cast<std::size_t>(size)};
}

namespace {

// The argument as a Python int (new reference), through __index__.
Ref index_of(PyObject* obj) {
  if (!obj || !PyIndex_Check(obj)) raise_type_mismatch(obj, "int");
  return Ref::checked(PyNumber_Index(obj));
}

}  // namespace

std::int64_t as_i64(PyObject* obj) {
  Ref value = index_of(obj);
  long long v = PyLong_AsLongLong(value.get());
  if (v == -1 && PyErr_Occurred()) throw_python_error();
  return v;
}

std::uint64_t as_u64(PyObject* obj) {
  Ref value = index_of(obj);
  unsigned long long v = PyLong_AsUnsignedLongLong(value.get());
  if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw_python_error();
  return v;
}

namespace {

// An unsigned integer of at most `max`; a wider value fails with the
// message the interpreter uses for narrow integer conversions.
std::uint64_t as_bounded(PyObject* obj, std::uint64_t max) {
  Ref value = index_of(obj);
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(value.get(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw_python_error();
  if (overflow != 0 || v < 0 || static_cast<std::uint64_t>(v) > max) {
    PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
    throw_python_error();
  }
  return static_cast<std::uint64_t>(v);
}

}  // namespace

std::uint8_t as_u8(PyObject* obj) { return static_cast<std::uint8_t>(as_bounded(obj, 0xFF)); }

std::uint32_t as_u32(PyObject* obj) {
  return static_cast<std::uint32_t>(as_bounded(obj, 0xFFFFFFFF));
}

double as_float(PyObject* obj) {
  if (obj && PyFloat_Check(obj)) return PyFloat_AS_DOUBLE(obj);
  if (!obj || obj == Py_None) raise_type_mismatch(obj, "float");
  double v = PyFloat_AsDouble(obj);
  if (v == -1.0 && PyErr_Occurred()) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Clear();
      raise_type_mismatch(obj, "float");
    }
    throw_python_error();
  }
  return v;
}

bool as_bool(PyObject* obj) {
  if (obj == Py_True) return true;
  if (obj == Py_False) return false;
  if (obj) {
    // NumPy booleans are accepted without importing NumPy.
    std::string_view type_name = Py_TYPE(obj)->tp_name;
    if (type_name == "numpy.bool" || type_name == "numpy.bool_") {
      int truth = PyObject_IsTrue(obj);
      if (truth < 0) throw_python_error();
      return truth != 0;
    }
  }
  raise_type_mismatch(obj, "bool");
}

std::string_view as_bytes(PyObject* obj) {
  if (!obj || !PyBytes_Check(obj)) raise_type_mismatch(obj, "bytes");
  return {PyBytes_AS_STRING(obj), static_cast<std::size_t>(PyBytes_GET_SIZE(obj))};
}

PyObject* as_dict(PyObject* obj) {
  if (!obj || !PyDict_Check(obj)) raise_type_mismatch(obj, "dict");
  return obj;
}

std::vector<std::pair<std::string_view, std::string_view>> as_str_pairs(PyObject* obj) {
  PyObject* dict = as_dict(obj);
  std::vector<std::pair<std::string_view, std::string_view>> out;
  out.reserve(static_cast<std::size_t>(PyDict_GET_SIZE(dict)));
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  while (PyDict_Next(dict, &pos, &key, &value)) out.emplace_back(as_text(key), as_text(value));
  return out;
}

core::StringSet as_str_set(PyObject* obj) {
  if (!obj || !PyAnySet_Check(obj)) raise_type_mismatch(obj, "set");
  core::StringSet out;
  out.reserve(static_cast<std::size_t>(PySet_GET_SIZE(obj)));
  Ref iterator = Ref::checked(PyObject_GetIter(obj));
  while (PyObject* raw = PyIter_Next(iterator.get())) {
    Ref item(raw);
    out.emplace(as_text(item.get()));
  }
  if (PyErr_Occurred()) throw_python_error();
  return out;
}

SequenceItems::SequenceItems(PyObject* obj) {
  if (obj && PyUnicode_Check(obj)) raise_type_error("'str' object cannot be taken as a list");
  if (!obj || !PySequence_Check(obj)) raise_type_mismatch(obj, "Sequence");
  items_ = Ref::checked(PySequence_Tuple(obj));
}

std::span<PyObject* const> as_tuple(PyObject* obj, std::size_t length) {
  if (!obj || !PyTuple_Check(obj)) raise_type_mismatch(obj, "tuple");
  const auto size = static_cast<std::size_t>(PyTuple_GET_SIZE(obj));
  if (size != length) {
    PyErr_Format(PyExc_ValueError, "expected tuple of length %zu, but got tuple of length %zu",
                 length, size);
    throw_python_error();
  }
  return {&PyTuple_GET_ITEM(obj, 0), size};
}

std::pair<std::uint64_t, std::uint64_t> as_span(PyObject* obj) {
  const auto items = as_tuple(obj, 2);
  return {as_u64(items[0]), as_u64(items[1])};
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> as_spans(PyObject* obj) {
  return as_list_of(obj, as_span);
}

PyObject* required_item(PyObject* dict, const char* key) {
  PyObject* value = nullptr;
  int found = PyDict_GetItemStringRef(dict, key, &value);
  if (found < 0) throw_python_error();
  if (found == 0) {
    Ref name = Ref::checked(PyUnicode_FromString(key));
    PyErr_SetObject(PyExc_KeyError, name.get());
    throw_python_error();
  }
  Py_DECREF(value);  // the dict keeps it alive for the call
  return value;
}

PyObject* optional_item(PyObject* dict, const char* key) {
  PyObject* value = nullptr;
  int found = PyDict_GetItemStringRef(dict, key, &value);
  if (found < 0) throw_python_error();
  if (found == 0) return nullptr;
  Py_DECREF(value);
  return value == Py_None ? nullptr : value;
}

// ---- results and errors -------------------------------------------------

Ref new_str(std::string_view utf8) {
  return Ref::checked(
      PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), nullptr));
}

Ref new_u64(std::uint64_t value) { return Ref::checked(PyLong_FromUnsignedLongLong(value)); }

Ref new_bool(bool value) { return Ref::borrowed(value ? Py_True : Py_False); }

void set_item(PyObject* dict, const char* key, Ref value) {
  if (PyDict_SetItemString(dict, key, value.get()) < 0) throw_python_error();
}

void raise_core_error(const core::Error& error) {
  switch (error.kind) {
    case core::ErrorKind::Cancelled:
      PyErr_SetString(scan_aborted, error.message.c_str());
      break;
    case core::ErrorKind::Value:
      PyErr_SetString(PyExc_ValueError, error.message.c_str());
      break;
  }
  throw_python_error();
}

void raise_internal_failure(const char* what) { PyErr_SetString(internal_failure, what); }

bool create_exception_classes() {
  if (!internal_failure) {
    internal_failure = PyErr_NewExceptionWithDoc(
        "vexil_redact._core.InternalFailure",
        "Raised when the native core fails an internal invariant.\n\n"
        "Like SystemExit it derives from BaseException, so handlers for Exception\n"
        "do not swallow it; it normally propagates to the top.",
        PyExc_BaseException, nullptr);
    if (!internal_failure) return false;
  }
  if (!scan_aborted) {
    scan_aborted = PyErr_NewExceptionWithDoc(
        "vexil_redact._core.ScanAborted", "cooperative-cancellation abort of an L1 detection scan",
        PyExc_Exception, nullptr);
    if (!scan_aborted) {
      PyErr_SetString(PyExc_RuntimeError, "Failed to initialize new exception type.");
      return false;
    }
  }
  return true;
}

PyObject* scan_aborted_class() { return scan_aborted; }

// ---- borrow flags -------------------------------------------------------

BorrowFlag::Shared::Shared(BorrowFlag& flag) : flag_(flag) {
  int state = flag_.state_.load();
  do {
    if (state < 0) {
      PyErr_SetString(PyExc_RuntimeError, "Already mutably borrowed");
      throw_python_error();
    }
  } while (!flag_.state_.compare_exchange_weak(state, state + 1));
}

BorrowFlag::Exclusive::Exclusive(BorrowFlag& flag) : flag_(flag) {
  int expected = 0;
  if (!flag_.state_.compare_exchange_strong(expected, -1)) {
    PyErr_SetString(PyExc_RuntimeError, "Already borrowed");
    throw_python_error();
  }
}

}  // namespace vexil::py
