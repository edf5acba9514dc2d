// A soil look-up or model that cannot go on: the run stops as for a FatalStop,
// and the driver writes the warning of its kind (report/run_messages.h).
#pragma once

#include <string>

#include "core/errors.h"

namespace darnek::soil {

class SoilStop : public FatalStop {
 public:
  enum class Kind {
    ZeroRockStrength,       // a rock layer whose strength is 0 (console)
    SlopeNotBelowFriction,  // an excavation slope not below the friction angle of silt (console)
    BeyondCurve,            // a depth beyond a curve of the soil profile (console, twice)
    BelowSoilLayers,        // a depth below the soil layers' unit weights (report)
  };
  SoilStop(Kind kind, const std::string& what, double depth = 0, std::string curve = {})
      : FatalStop(what), kind_(kind), depth_(depth), curve_(std::move(curve)) {}
  Kind kind() const { return kind_; }
  double depth() const { return depth_; }              // BeyondCurve, BelowSoilLayers
  const std::string& curve() const { return curve_; }  // BeyondCurve: "THE INPUT ... CURVE"

 private:
  Kind kind_;
  double depth_;
  std::string curve_;
};

}  // namespace darnek::soil
