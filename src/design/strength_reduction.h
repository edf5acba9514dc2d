// The factor of safety on strength of a stage, by strength reduction on the
// spring model itself: the stage analysed again with tan(phi) and c (or the
// undrained strength) of every layer divided by F, F raised until the stage
// no longer closes; the largest F that still closes, found by bisection.
#pragma once

#include <functional>

namespace darnek::design {

// Whether the stage closes with the soil's strength divided by the factor.
using Reanalysis = std::function<bool(double factor)>;

struct StrengthSearch {
  double Factor = 1;    // the largest factor found to close
  bool Beyond = false;  // it closes at `Factor`, the largest tried
  int Analyses = 0;
};

// The stage closes at factor 1 (it was solved); the search looks for the
// first factor that fails, starting at `first` and growing by half each
// time up to `largest`, then halves the bracket until it is narrower than
// `resolution`. It assumes that a stage that fails at F fails at every
// larger factor.
StrengthSearch FindStrengthFactor(const Reanalysis& closes, double first, double resolution = 0.01,
                                  double largest = 10);

}  // namespace darnek::design
