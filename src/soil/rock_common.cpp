// The stop on a rock layer without strength.
#include "soil/rock_common.h"

#include "core/errors.h"

namespace darnek::soil {

void StopOnZeroRockStrength(RunContext& ctx) {
  ctx.console.Line("--------------------WARNING----------------------");
  ctx.console.Line("THE COHESIVE STRENGTH IS 0 FOR ROCK ACCORING TO THE INPUT");
  ctx.console.Line("DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.");
  throw FatalStop("zero strength of rock");
}

}  // namespace darnek::soil
