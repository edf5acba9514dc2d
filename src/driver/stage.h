// One stage of the run after its heading: read and echo the stage's records,
// generate the loads and soil curves, iterate, and write the results.
#pragma once

#include "core/list_reader.h"
#include "core/run_context.h"

namespace darnek {

void RunStage(RunContext& ctx, ListReader& reader);

}  // namespace darnek
