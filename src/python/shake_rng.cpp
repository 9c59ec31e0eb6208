// Python face of salts and seeds, and the ShakeRng class through which
// custom fakers draw from the same stream as the built-in ones.
#include "shake_rng.hpp"

#include <string>

#include "classes.hpp"

namespace vexil::py {

namespace {

Ref new_bytes(std::string_view bytes) {
  return Ref::checked(
      PyBytes_FromStringAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size())));
}

Ref resolve_salt(const Args& args) {
  return new_bytes(unwrap(core::resolve_salt(args.take(0, as_salt))));
}

constexpr Param RESOLVE_SALT_PARAMS[] = {{"salt", "None"}};

Ref seed_from_value(const Args& args) {
  const std::string_view value = args.take(0, as_text);
  const std::string_view type = args.take(1, as_text);
  const std::string_view salt = args.take(2, as_bytes);
  const core::Seed seed = core::seed_from_value(value, type, salt);
  return new_bytes({reinterpret_cast<const char*>(seed.data()), seed.size()});
}

constexpr Param SEED_FROM_VALUE_PARAMS[] = {{"value"}, {"type_"}, {"salt"}};

Ref type_seed_offset(const Args& args) {
  return new_u64(core::type_seed_offset(args.take(0, as_text)));
}

constexpr Param TYPE_SEED_OFFSET_PARAMS[] = {{"type_"}};

// ---- ShakeRng -------------------------------------------------------------

Boxed<core::ShakeRng>& as_rng(PyObject* obj) { return boxed<core::ShakeRng>(obj); }

constexpr Param CONSTRUCTOR_PARAMS[] = {{"seed"}};
constexpr Signature CONSTRUCTOR{
    "ShakeRng", CONSTRUCTOR_PARAMS,
    "Deterministic generator over the SHAKE-256 output of a seed.\n\n"
    "Custom fakers receive one and draw from exactly the stream the built-in\n"
    "fakers use; every draw consumes whole bytes, in call order."};

PyObject* rng_new(PyTypeObject* cls, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    const std::string_view seed = Args(CONSTRUCTOR, args, kwargs).take(0, as_bytes);
    return new_boxed(cls, core::ShakeRng(seed));
  });
}

// Each draw takes the generator exclusively: two threads interleaving their
// draws would each get a stream nobody can replay.
Ref rng_randint(PyObject* self, const Args& args) {
  BorrowFlag::Exclusive borrow(as_rng(self).borrow);
  const std::int64_t low = args.take(0, as_i64);
  const std::int64_t high = args.take(1, as_i64);
  if (high < low) {
    const std::string message =
        "randint: empty range [" + std::to_string(low) + ", " + std::to_string(high) + "]";
    PyErr_SetString(PyExc_ValueError, message.c_str());
    throw_python_error();
  }
  return Ref::checked(PyLong_FromLongLong(as_rng(self).value.randint(low, high)));
}

Ref rng_choice(PyObject* self, const Args& args) {
  BorrowFlag::Exclusive borrow(as_rng(self).borrow);
  // Any object may be a sequence, None included: errors of len() and of
  // item access reach the caller unchanged.
  PyObject* seq = args.take(0, [](PyObject* obj) { return obj; });
  const Py_ssize_t length = PyObject_Length(seq);
  if (length < 0) throw_python_error();
  if (length == 0) {
    PyErr_SetString(PyExc_IndexError, "Cannot choose from an empty sequence");
    throw_python_error();
  }
  Ref index = Ref::checked(PyLong_FromLongLong(as_rng(self).value.randint(0, length - 1)));
  return Ref::checked(PyObject_GetItem(seq, index.get()));
}

constexpr Param RANDINT_PARAMS[] = {{"a"}, {"b"}};
constexpr Method RANDINT{
    {"randint", RANDINT_PARAMS,
     "Return a uniform integer in [a, b], both ends included (signed 64-bit).\n\n"
     "Takes k big-endian bytes, k being the bytes needed for b - a, and draws\n"
     "again while they fall in the biased tail."},
    rng_randint};

constexpr Param CHOICE_PARAMS[] = {{"seq"}};
constexpr Method CHOICE{{"choice", CHOICE_PARAMS,
                         "Return seq[randint(0, len(seq) - 1)].\n\n"
                         "An empty sequence raises IndexError without consuming the stream."},
                        rng_choice};

}  // namespace

core::SaltArg as_salt(PyObject* obj) {
  if (!obj || obj == Py_None) return std::monostate{};
  if (PyBytes_Check(obj)) {
    return std::string(PyBytes_AS_STRING(obj), static_cast<std::size_t>(PyBytes_GET_SIZE(obj)));
  }
  if (PyByteArray_Check(obj)) {
    return std::string(PyByteArray_AS_STRING(obj),
                       static_cast<std::size_t>(PyByteArray_GET_SIZE(obj)));
  }
  Ref number(PyNumber_Index(obj));
  const long long value = number ? PyLong_AsLongLong(number.get()) : -1;
  if (value == -1 && PyErr_Occurred()) {
    PyErr_Clear();
    PyErr_SetString(PyExc_TypeError, "salt must be int, bytes, or None");
    throw_python_error();
  }
  return std::int64_t{value};
}

constinit const Function RESOLVE_SALT{
    {"resolve_salt", RESOLVE_SALT_PARAMS,
     "Return the effective salt bytes of a salt argument.\n\n"
     "An int gives its 8-byte big-endian two's complement, bytes and bytearray\n"
     "their contents; None reads VEXIL_REDACT_PSEUDONYM_SALT afresh and fails\n"
     "when it is unset, empty or not UTF-8."},
    resolve_salt};

constinit const Function SEED_FROM_VALUE{
    {"seed_from_value", SEED_FROM_VALUE_PARAMS,
     "Return the 32-byte seed of one value: HMAC-SHA256 keyed with salt over\n"
     "\"<type_>:<value>\"."},
    seed_from_value};

constinit const Function TYPE_SEED_OFFSET{
    {"type_seed_offset", TYPE_SEED_OFFSET_PARAMS,
     "Return the per-type pseudonym seed offset, 0..9999: the first four bytes\n"
     "of SHA-256(type_), big-endian, modulo 10000."},
    type_seed_offset};

PyTypeObject* shake_rng_type() {
  static PyMethodDef methods[] = {method_def<&RANDINT>(), method_def<&CHOICE>(), {}};
  static PyTypeObject* cls = new_boxed_class<core::ShakeRng>(CONSTRUCTOR, rng_new, methods);
  return cls;
}

}  // namespace vexil::py
