// The stop on a rock layer without strength.
#include "soil/rock_common.h"

#include "soil/soil_stop.h"

namespace darnek::soil {

void StopOnZeroRockStrength() { throw SoilStop(SoilStop::Kind::ZeroRockStrength, "zero strength of rock"); }

}  // namespace darnek::soil
