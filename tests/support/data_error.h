// The kind of the data error a call ends with: the report's words for it are
// the driver's, so the steps are tested on the kind they throw.
#pragma once

#include <optional>

#include "core/errors.h"

namespace darnek::testing {

template <class F>
std::optional<DataError::Kind> DataErrorKind(F call) {
  try {
    call();
  } catch (const DataError& e) {
    return e.kind();
  }
  return std::nullopt;
}

}  // namespace darnek::testing
