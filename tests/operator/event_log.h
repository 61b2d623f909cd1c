#pragma once

#include <QObject>
#include <vector>

namespace vireo {
class frmMain;
}

namespace vireo::testing {

// An event of a control that the window's handlers answer (or, for a click on picslider, one
// they must ignore).
struct ControlEvent {
    enum Kind { FrameChange, FrameClick, ThresholdChange, ThresholdClick, DisplayClick, FindClick };
    Kind kind;
    int value = 0; // the slider's value for the slider events
};

// Records, in order, the events the window's controls raise: the value changes and clicks of
// both sliders and the clicks of both buttons. A step of the operator can raise none (a key at
// the end of a slider), one, or many (a drag across several values).
class EventLog {
public:
    explicit EventLog(frmMain& window);

    // The events since the last call.
    std::vector<ControlEvent> take();

private:
    QObject context_; // ends the connections with the log
    std::vector<ControlEvent> events_;
};

} // namespace vireo::testing
