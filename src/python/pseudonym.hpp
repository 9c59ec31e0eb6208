// Python face of the pseudonym generator, and the operating-system draw that
// unseeded generators use wherever they live.
#pragma once

#include <cstdint>

#include "frame.hpp"

namespace vexil::py {

// secrets.randbelow(n) as a core draw. It takes the interpreter lock itself,
// so a core running with the lock released may call it; failures throw
// core::InternalFailure and leave no Python exception set.
std::uint32_t secrets_randbelow(std::uint64_t n);

PyTypeObject* pseudonym_generator_type();  // borrowed; created once per process

}  // namespace vexil::py
