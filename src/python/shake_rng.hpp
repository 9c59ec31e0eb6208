// Python face of salts, seeds and the SHAKE-256 generator, and the salt
// converter shared by every face that takes a salt.
#pragma once

#include "../core/shake_rng.hpp"
#include "frame.hpp"

namespace vexil::py {

extern const Function RESOLVE_SALT;
extern const Function SEED_FROM_VALUE;
extern const Function TYPE_SEED_OFFSET;

// None or absent, bytes, bytearray (copied) or a signed 64-bit integer;
// anything else is a TypeError "salt must be int, bytes, or None".
core::SaltArg as_salt(PyObject* obj);

PyTypeObject* shake_rng_type();  // borrowed; created once per process

}  // namespace vexil::py
