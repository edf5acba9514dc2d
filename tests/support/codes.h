// Fixtures name codes by their numbers, as input files do; the numbers are
// converted as the reader converts them.
#pragma once

#include <gtest/gtest.h>

#include "core/codes.h"

namespace darnek::testing {

template <class E>
E Code(int code) {
  E value{};
  if (!CodeTraits<E>::FromInt(code, value)) ADD_FAILURE() << "no such code: " << code;
  return value;
}

}  // namespace darnek::testing
