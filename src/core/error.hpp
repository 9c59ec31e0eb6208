// Error values of the core: ordinary failures travel as values, broken
// invariants and broken embedded data as an InternalFailure exception.
#pragma once

#include <expected>
#include <stdexcept>
#include <string>
#include <utility>

namespace vexil::core {

enum class ErrorKind {
  Value,      // an ordinary failure with a message (ValueError in Python)
  Cancelled,  // a scan stopped by its cancellation flag
};

struct Error {
  ErrorKind kind = ErrorKind::Value;
  std::string message;
};

template <class T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(std::string message) {
  return std::unexpected(Error{ErrorKind::Value, std::move(message)});
}

// A can-never-happen condition inside the core; the frame reports it as
// InternalFailure instead of letting the process die.
struct InternalFailure : std::logic_error {
  using std::logic_error::logic_error;
};

}  // namespace vexil::core
