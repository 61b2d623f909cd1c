#pragma once

#include <filesystem>

namespace vireo::testing {

// Fills an empty folder with frames up to pic12.bmp, what picslider reaches: frames whose paths
// give "Find Center" real work (walls, staircases that walk the centres to the clamps over rising
// thresholds, noise), a file of 10 bytes (4) and gaps (2, 6, 7, 9, 11), which cannot be loaded.
void writeOperatorFrames(const std::filesystem::path& folder);

} // namespace vireo::testing
