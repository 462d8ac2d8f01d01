#pragma once
// Checked reading of the argument arrays that operations receive as spans:
// an index the caller's array does not have is a SubscriptOutOfRange RvError
// that names the operation, the argument and the sizes involved.

#include <cstddef>
#include <span>
#include <string>

#include "tools/rv_error.h"

namespace ovix {

[[noreturn]] inline void ThrowArgumentIndex(const char* operation, const char* argument,
                                            std::size_t index, std::size_t size) {
  throw RvError(RvErrorKind::SubscriptOutOfRange,
                std::string(operation) + ": element " + std::to_string(index) + " of " + argument +
                    " is needed, but it has " + std::to_string(size) + " element" +
                    (size == 1 ? "" : "s"));
}

template <typename T>
const T& ArgAt(std::span<const T> values, std::size_t index, const char* operation,
               const char* argument) {
  if (index >= values.size()) ThrowArgumentIndex(operation, argument, index, values.size());
  return values[index];
}

// Checks up front that `values` has at least `count` elements.
template <typename T>
void RequireArgs(std::span<const T> values, std::size_t count, const char* operation,
                 const char* argument) {
  if (values.size() < count) ThrowArgumentIndex(operation, argument, count - 1, values.size());
}

}  // namespace ovix
