#pragma once

#include <filesystem>

namespace vireo::testing {

// Fills an empty folder with pic0.bmp .. pic12.bmp, what picslider reaches: frames in the
// accepted layouts whose paths give "Find Center" real work (walls, staircases that walk the
// centres to the clamps over rising thresholds, noise), and frames that cannot be loaded:
// missing (2, 6), 10 bytes long (4), a folder (7), bit count 8 (9), cut short (11).
void writeOperatorFrames(const std::filesystem::path& folder);

} // namespace vireo::testing
