#pragma once

#include "errors/error.h"
#include "sources/recording.h"

#include <algorithm>
#include <string>

namespace vireo {

// An opening's side of its OpeningControl: whether to stop, and the share done, passed on only
// when its percentage rises.
class OpeningProgress {
public:
    explicit OpeningProgress(const OpeningControl& control)
        : control_(&control) {}

    bool stopped() const { return control_->stop.stop_requested(); }

    // `fraction` (0..1) of the whole opening is done.
    void report(double fraction) {
        const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100);
        if (percent <= percent_)
            return;
        percent_ = percent;
        if (control_->progress)
            control_->progress(percent);
    }

    // The refusal of an opening that was stopped.
    static Error cancelled(std::string name) { return Error{std::move(name), "opening cancelled"}; }

private:
    const OpeningControl* control_;
    int percent_ = -1;
};

} // namespace vireo
