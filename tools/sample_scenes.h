#pragma once

#include "floor_scene.h"

#include <array>

namespace vireo {

inline constexpr int kSampleCount = 13;

// The scenes of pic0.bmp .. pic12.bmp, in frame order.
const std::array<FloorScene, kSampleCount>& sampleScenes();

} // namespace vireo
