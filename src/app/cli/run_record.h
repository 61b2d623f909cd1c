#pragma once

#include <array>

namespace vireo {

// What one "Find Center" run on one frame produced: one line of vireo-cli's output.
struct RunRecord {
    int frame = 0;
    int threshold = 0;
    int run = 0;                  // counted from 1
    std::array<int, 3> centres{}; // stored centre columns on rows 40, 60, 80
    int forecast = 0;             // centre on row 40 minus centre on row 60
    double lineTop = 0;           // fitted line's column on row 40, unrounded
    double lineBottom = 0;        // and on row 80
    std::array<int, 3> support{}; // band rows that supported the run's start on rows 40, 60, 80
};

} // namespace vireo
