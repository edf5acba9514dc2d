// Strength reduction by bisection (the method of Griffiths and Lane, 1999,
// for slopes by finite elements, here on the wall's springs).
#include "design/strength_reduction.h"

#include <algorithm>

namespace darnek::design {

StrengthSearch FindStrengthFactor(const Reanalysis& closes, double first, double resolution, double largest) {
  StrengthSearch s;
  const auto run = [&](double f) {
    ++s.Analyses;
    return closes(f);
  };
  double lo = 1;
  double hi = std::clamp(first, 1 + resolution, largest);
  // Bracket: the first factor that does not close.
  for (;;) {
    if (!run(hi)) break;
    lo = hi;
    if (hi >= largest) {
      s.Factor = largest;
      s.Beyond = true;
      return s;
    }
    hi = std::min(largest, hi * 1.5);
  }
  while (hi - lo >= resolution) {
    const double mid = (lo + hi) / 2;
    (run(mid) ? lo : hi) = mid;
  }
  s.Factor = lo;
  return s;
}

}  // namespace darnek::design
