// The wall solver as the stage driver calls it: station tables and entries,
// supports, flexural rigidity and the linear solution.
#pragma once

#include "solver/flexural_rigidity.h"
#include "solver/iteration.h"
#include "solver/solve_deflections.h"
#include "solver/station_results.h"
#include "solver/stations.h"
#include "solver/supports.h"
