// What the report and run log carry at the head of each stage: banner, file
// block, time stamp and stage heading; and the end of the run.
#pragma once

#include <ctime>

#include "core/run_context.h"

namespace darnek::report {

void WriteBanner(RunContext& ctx);
void WriteFileBlock(RunContext& ctx);
void WriteTimeStamp(RunContext& ctx, const std::tm& now);
void WriteStageHeading(RunContext& ctx);
void WriteEndOfAnalysis(RunContext& ctx);

}  // namespace darnek::report
