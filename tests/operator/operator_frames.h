#pragma once

#include <filesystem>

namespace vireo::testing {

inline constexpr int kOperatorFrames = 13; // pic0.bmp .. pic12.bmp, what picslider reaches

// Fills an empty folder with the frames a random operator slides across: good frames in the
// three accepted layouts whose paths give "Find Center" real work (walls, staircases that walk
// the centres to the clamps over rising thresholds, texture, noise), and frames that cannot be
// loaded: missing (2, 6), 10 bytes long (4), a folder named pic7.bmp (7), bit count 8 (9) and
// cut short inside the pixel data (11).
void writeOperatorFrames(const std::filesystem::path& folder);

// Whether writeOperatorFrames() made frame `frameNumber` loadable.
bool operatorFrameLoads(int frameNumber);

} // namespace vireo::testing
