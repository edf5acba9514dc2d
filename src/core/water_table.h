// What a water depth of the input means. A negative depth, on either side of
// the wall, means that side has no water table. Every subsystem reads the
// depths through these, so that none of them sees a water table that the
// others do not.
#pragma once

#include <limits>

namespace darnek {

inline bool HasWaterTable(double depth) { return depth >= 0; }

// The depth of the water table for comparisons with other depths: beyond
// every depth when there is none.
inline double WaterTableDepth(double depth) {
  return HasWaterTable(depth) ? depth : std::numeric_limits<double>::infinity();
}

}  // namespace darnek
