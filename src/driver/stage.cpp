#include "driver/stage.h"

#include "core/errors.h"
#include "input/control_input.h"

namespace darnek {

void RunStage(RunContext& ctx, ListReader& reader) {
  input::EchoControlLine1(ctx);
  input::ReadControlLine2(ctx, reader);
  input::ReadSpecifiedConditions(ctx, reader);
  input::ReadWallSections(ctx, reader);
  throw InputError("line " + std::to_string(reader.line()) +
                   ": this version of the engine reads a stage only up to its wall sections; "
                   "the cross sections and the records after them are not supported yet");
}

}  // namespace darnek
