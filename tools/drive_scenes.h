#pragma once

#include "floor_scene.h"

namespace vireo {

// Frame n of a long generated drive along a winding taped path: the robot weaves about the
// path and the bends come and go over a few hundred frames; now and then the tape has a gap,
// a crossing tape, a burst of sensor noise, or the robot drifts off the path for a few frames.
// The same for a given n on every platform.
FloorScene driveScene(int n);

} // namespace vireo
