// Entry points of the p-y models, one per soil, each in a file of its own.
// Each constructs its model and runs the common frame over the layer's curves.
#pragma once

#include "soil/py_frame.h"

namespace darnek::soil {

void SoftClayLayer(LayerRun& run);  // soft_clay.cpp: code 1 and unknown codes
void SandLayer(LayerRun& run);      // sand.cpp: code 4

}  // namespace darnek::soil
