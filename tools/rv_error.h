#pragma once
// The project's own run-time error: raised where an operation cannot go on
// (an index outside a table or array, a number too large for its field, a
// value that is not a number) and passed to the caller, which decides whether
// the failure ends a step. The message says what happened in words a user or
// a developer can act on.

#include <stdexcept>
#include <string>

namespace ovix {

enum class RvErrorKind {
  SubscriptOutOfRange,  // an index outside a table or an argument array
  Overflow,             // a value outside the range of its integer field
  TypeMismatch,         // a text that is not a number where a number is needed
  DivisionByZero,       // arithmetic without a defined result
  InvalidArgument,      // an argument outside what the operation accepts
  Io,                   // a file that cannot be opened, read or written
};

class RvError : public std::runtime_error {
 public:
  RvError(RvErrorKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}

  RvErrorKind kind() const noexcept { return kind_; }

 private:
  RvErrorKind kind_;
};

}  // namespace ovix
