#pragma once

#include "errors/error.h"

#include <string_view>
#include <vector>

namespace vireo {

// Parses the value of --threshold: one threshold 0..255, or a comma-separated list of thresholds
// and inclusive ranges A-B ("80-120", "60,100,140", "40-60,100"). Returns the thresholds in
// ascending order, each once. The first bad item gives an error naming it: "threshold 256 is out
// of range 0..255", "threshold \"x\" is not a whole number 0..255", "threshold range 90-80 runs
// backwards", "threshold list \"1,,2\" has an empty item".
Expected<std::vector<int>> parseThresholdList(std::string_view text);

} // namespace vireo
