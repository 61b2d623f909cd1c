#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

namespace vireo::testing {

class WindowDriver;

// An operator who works the window's real controls at random: frame changes by value and by
// keys, threshold changes by keys, by a drag's positions and by the mouse, clicks on the slider
// handles and on the slider grooves, and both buttons. Now and then the operator tunes the
// threshold instead: shows the edges, sets the threshold to 0 and then raises it in steps with a
// "Find Center" after each, which carries the centres as far as they go. The same seed gives
// the same steps.
class RandomOperator {
public:
    enum class Action {
        FrameValue,
        FrameKey,
        FrameHandleClick,
        ThresholdKey,
        ThresholdDragPositions,
        ThresholdMouseDrag,
        ThresholdHandleClick,
        ThresholdGrooveClick,
        DisplayPicture,
        FindCenter,
        TuningStart, // "Display Picture", then the threshold to 0
        TuningRaise, // the threshold up by a few page steps
    };
    static constexpr int kActions = 12;
    static const char* name(Action action);

    struct Step {
        Action action;
        std::string text; // what was done, for a failure report
    };

    RandomOperator(WindowDriver& driver, std::uint64_t seed);

    // Chooses one step and performs it on the window.
    Step step();

private:
    // A whole number in 0..n-1; the engine's output bits are fixed by the standard, so the steps
    // of a seed are the same with every standard library.
    int below(int n);
    int between(int low, int high) { return low + below(high - low + 1); }

    std::string frameKey();
    std::string thresholdKey();
    std::string thresholdDragPositions();
    std::string thresholdMouseDrag();
    std::string thresholdGrooveClick();
    Step tuningStep();

    WindowDriver& driver_;
    std::mt19937_64 random_;
    int tuningLeft_ = 0; // steps of the tuning under way
};

} // namespace vireo::testing
