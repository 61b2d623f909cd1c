#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace vireo::testing {

class WindowDriver;

// An operator who works the window's real controls at random: frame changes by value, keys and
// handle clicks; threshold changes by keys, drags and clicks on the handle and the groove; both
// buttons. Now and then the operator tunes the threshold instead: "Display Picture", the
// threshold to 0, then raises in steps with a "Find Center" after each, which carries the centres
// as far as they go. The same seed gives the same steps.
class RandomOperator {
public:
    // What a step did besides a frame change (which picslider's value tells), in this order.
    struct Step {
        std::string text; // for a failure report
        bool display = false;
        bool threshold = false; // the threshold slider was worked, whether or not it moved
        bool find = false;
    };

    RandomOperator(WindowDriver& driver, std::uint64_t seed);

    // Chooses one step and performs it on the window.
    Step step();

private:
    // A whole number in 0..n-1; the engine's output bits are fixed by the standard, so the steps
    // of a seed are the same with every standard library.
    int below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }

    Step frameStep();
    Step thresholdStep();
    Step tuningStep();

    WindowDriver& driver_;
    std::mt19937_64 random_;
    int tuningLeft_ = 0; // steps of the tuning under way
};

} // namespace vireo::testing
