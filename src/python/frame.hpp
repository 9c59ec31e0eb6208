// The binding frame every module function and method plugs into: owned
// references, declarative signatures driving vector-call parsing, argument
// converters, the one place mapping core errors to exceptions, lock release
// and per-instance borrow flags.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../core/error.hpp"
#include "../core/string_set.hpp"

namespace vexil::py {

// Thrown once a Python exception has been set; the call's outermost frame
// turns it into a NULL return.
struct PythonError {};

[[noreturn]] void throw_python_error();

// An owned (strong) reference.
class Ref {
 public:
  Ref() = default;
  explicit Ref(PyObject* owned) : obj_(owned) {}
  // Takes a new reference from a C API call; NULL means an exception is set.
  static Ref checked(PyObject* owned) {
    if (!owned) throw_python_error();
    return Ref(owned);
  }
  static Ref borrowed(PyObject* obj) { return Ref(Py_NewRef(obj)); }
  Ref(Ref&& other) noexcept : obj_(std::exchange(other.obj_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    std::swap(obj_, other.obj_);
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Py_XDECREF(obj_); }

  PyObject* get() const { return obj_; }
  PyObject* release() { return std::exchange(obj_, nullptr); }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  PyObject* obj_ = nullptr;
};

// ---- signatures and argument parsing ------------------------------------

struct Param {
  const char* name;
  // Written into the text signature; nullptr means required.
  const char* default_text = nullptr;
  bool keyword_only = false;
};

struct Signature {
  const char* name;
  std::span<const Param> params;
  const char* doc;  // description after the text signature
};

// "name(a, b=None, *, c)\n--\n\n<doc>"; `self_marker` adds "$self" first.
std::string docstring(const Signature& sig, bool self_marker = false);

inline constexpr std::size_t MAX_PARAMS = 16;

// The arguments of one call, matched to the signature's parameters
// (borrowed references; nullptr where an argument was not given).
class Args {
 public:
  Args(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
  // For tp_new-style calls: a tuple and an optional dict.
  Args(const Signature& sig, PyObject* tuple, PyObject* dict);

  // The argument as given, or nullptr when it was omitted or None.
  PyObject* optional(std::size_t i) const { return v_[i] == Py_None ? nullptr : v_[i]; }

  // Converts argument i; a failed conversion carries the note
  // "while processing '<parameter>'".
  template <class Convert>
  auto take(std::size_t i, Convert convert) const {
    try {
      return convert(v_[i]);
    } catch (const PythonError&) {
      add_processing_note(i);
      throw;
    }
  }

  // Like take(), but None or an omitted argument gives std::nullopt.
  template <class Convert>
  auto take_optional(std::size_t i, Convert convert) const
      -> std::optional<decltype(convert(nullptr))> {
    if (!optional(i)) return std::nullopt;
    return take(i, convert);
  }

 private:
  void match(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject* const* kwvalues);
  void add_processing_note(std::size_t i) const;

  const Signature& sig_;
  std::array<PyObject*, MAX_PARAMS> v_{};
};

// ---- converters (each raises TypeError and throws PythonError) ----------

[[noreturn]] void raise_type_mismatch(PyObject* obj, const char* expected);

// The UTF-8 form of a str, borrowed from the object (valid while it lives).
std::string_view as_text(PyObject* obj);
std::int64_t as_i64(PyObject* obj);
std::uint64_t as_u64(PyObject* obj);
std::uint8_t as_u8(PyObject* obj);
std::uint32_t as_u32(PyObject* obj);
double as_float(PyObject* obj);
bool as_bool(PyObject* obj);
std::string_view as_bytes(PyObject* obj);
PyObject* as_dict(PyObject* obj);  // borrowed, checked to be a dict
// The (key, value) pairs of a dict of str to str, borrowed from it.
std::vector<std::pair<std::string_view, std::string_view>> as_str_pairs(PyObject* obj);
core::StringSet as_str_set(PyObject* obj);

// A list argument: any sequence but str. Its items are taken into a tuple
// first, so converters that run Python code (an __index__, a property) cannot
// change or free them while they are read.
class SequenceItems {
 public:
  explicit SequenceItems(PyObject* obj);
  std::span<PyObject* const> items() const {
    return {&PyTuple_GET_ITEM(items_.get(), 0),
            static_cast<std::size_t>(PyTuple_GET_SIZE(items_.get()))};
  }

 private:
  Ref items_;
};

// Applies `convert` to every element of a list argument.
template <class Convert>
auto as_list_of(PyObject* obj, Convert convert) {
  SequenceItems seq(obj);
  std::vector<decltype(convert(nullptr))> out;
  out.reserve(seq.items().size());
  for (PyObject* item : seq.items()) out.push_back(convert(item));
  return out;
}

// The items of a tuple argument of exactly `length` elements (borrowed):
// another type is a TypeError, another length a ValueError.
std::span<PyObject* const> as_tuple(PyObject* obj, std::size_t length);

// A (start, end) pair of non-negative integers, and a list of them.
std::pair<std::uint64_t, std::uint64_t> as_span(PyObject* obj);
std::vector<std::pair<std::uint64_t, std::uint64_t>> as_spans(PyObject* obj);

// Values of a record-shaped dict: a missing required key is a KeyError.
PyObject* required_item(PyObject* dict, const char* key);  // borrowed
PyObject* optional_item(PyObject* dict, const char* key);  // borrowed, nullptr if absent/None

// ---- results and errors -------------------------------------------------

Ref new_str(std::string_view utf8);
Ref new_u64(std::uint64_t value);
Ref new_bool(bool value);

// dict[key] = value.
void set_item(PyObject* dict, const char* key, Ref value);

// A new list with one converted element per item of `items`.
template <class Items, class Convert>
Ref list_of(const Items& items, Convert convert) {
  Ref list = Ref::checked(PyList_New(static_cast<Py_ssize_t>(std::size(items))));
  Py_ssize_t i = 0;
  for (const auto& item : items) PyList_SET_ITEM(list.get(), i++, convert(item).release());
  return list;
}

template <class Strings>
Ref str_list(const Strings& items) {
  return list_of(items, [](const auto& s) { return new_str(s); });
}

// A new tuple of the given values (each reference is consumed).
template <class... Values>
Ref tuple_of(Values... values) {
  return Ref::checked(PyTuple_Pack(sizeof...(Values), values.get()...));
}

// Raises the exception for a core error and throws PythonError.
[[noreturn]] void raise_core_error(const core::Error& error);

template <class T>
T unwrap(core::Result<T>&& result) {
  if (!result) raise_core_error(result.error());
  if constexpr (!std::is_void_v<T>) return std::move(*result);
}

// Runs a call body: PythonError becomes NULL, core internal failures become
// InternalFailure, exhausted memory becomes MemoryError.
template <class Body>
PyObject* guarded(Body&& body) noexcept;

void raise_internal_failure(const char* what);

// The process-wide exception classes, created once at module execution.
bool create_exception_classes();
PyObject* scan_aborted_class();

// ---- module functions ---------------------------------------------------

struct Function {
  Signature sig;
  Ref (*impl)(const Args& args);
};

template <const Function* F>
PyObject* fastcall(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&] { return F->impl(Args(F->sig, args, nargs, kwnames)); });
}

// ---- lock release and borrow flags --------------------------------------

// Releases the interpreter lock for its lifetime; touch no Python object
// while it lives.
class Unlocked {
 public:
  Unlocked() : state_(PyEval_SaveThread()) {}
  ~Unlocked() { PyEval_RestoreThread(state_); }
  Unlocked(const Unlocked&) = delete;
  Unlocked& operator=(const Unlocked&) = delete;

 private:
  PyThreadState* state_;
};

// Holds the interpreter lock for its lifetime, whether or not the calling
// thread already had it (for callbacks that may run inside Unlocked).
class Locked {
 public:
  Locked() : state_(PyGILState_Ensure()) {}
  ~Locked() { PyGILState_Release(state_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  PyGILState_STATE state_;
};

// Runs `work` with the interpreter lock released.
template <class Work>
auto without_lock(Work&& work) {
  Unlocked unlocked;
  return work();
}

// Per-instance borrow state of a session object: many shared borrows or one
// exclusive borrow. A conflict fails at once with RuntimeError.
class BorrowFlag {
 public:
  class Shared {
   public:
    explicit Shared(BorrowFlag& flag);
    ~Shared() { flag_.state_.fetch_sub(1); }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

   private:
    BorrowFlag& flag_;
  };
  class Exclusive {
   public:
    explicit Exclusive(BorrowFlag& flag);
    ~Exclusive() { flag_.state_.store(0); }
    Exclusive(const Exclusive&) = delete;
    Exclusive& operator=(const Exclusive&) = delete;

   private:
    BorrowFlag& flag_;
  };

 private:
  std::atomic<int> state_{0};  // >0 shared borrows, -1 exclusive
};

// ---- implementation of guarded ------------------------------------------

template <class Body>
PyObject* guarded(Body&& body) noexcept {
  try {
    return body().release();
  } catch (const PythonError&) {
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    raise_internal_failure(e.what());
  } catch (...) {
    raise_internal_failure("unknown internal failure");
  }
  return nullptr;
}

}  // namespace vexil::py
