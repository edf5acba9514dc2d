// Entry points of the p-y models, one per soil, each in a file of its own.
// Each constructs its model and runs the common frame over the layer's curves.
#pragma once

#include "soil/py_frame.h"

namespace darnek::soil {

void SoftClayLayer(LayerRun& run);             // soft_clay.cpp: code 1
void StiffClayBelowWaterLayer(LayerRun& run);  // stiff_clay_below_water.cpp: code 2
void StiffClayAboveWaterLayer(LayerRun& run);  // stiff_clay_above_water.cpp: code 3
void SandLayer(LayerRun& run);                 // sand.cpp: code 4
void SiltLayer(LayerRun& run);                 // silt.cpp: code 5
void RockLayer(LayerRun& run);                 // rock.cpp: code 6
void WeakRockLayer(LayerRun& run);             // weak_rock.cpp: code 7

}  // namespace darnek::soil
