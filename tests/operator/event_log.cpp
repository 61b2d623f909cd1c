#include "event_log.h"

#include "app/window/frm_main.h"
#include "ui/click_slider.h"

#include <QPushButton>
#include <stdexcept>
#include <utility>

namespace vireo::testing {

namespace {

template <typename Control> Control* control(frmMain& window, const char* name) {
    auto* found = window.findChild<Control*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no control named ") + name);
    return found;
}

} // namespace

EventLog::EventLog(frmMain& window) {
    const auto watchSlider = [this](ClickSlider* slider, ControlEvent::Kind change,
                                    ControlEvent::Kind click) {
        QObject::connect(slider, &QSlider::valueChanged, &context_, [this, change](int value) {
            events_.push_back({change, value});
        });
        QObject::connect(slider, &ClickSlider::clicked, &context_, [this, click, slider] {
            events_.push_back({click, slider->value()});
        });
    };
    watchSlider(control<ClickSlider>(window, "picslider"), ControlEvent::FrameChange,
                ControlEvent::FrameClick);
    watchSlider(control<ClickSlider>(window, "sobelslider"), ControlEvent::ThresholdChange,
                ControlEvent::ThresholdClick);

    const auto watchButton = [this](QPushButton* button, ControlEvent::Kind kind) {
        QObject::connect(button, &QPushButton::clicked, &context_,
                         [this, kind] { events_.push_back({kind}); });
    };
    watchButton(control<QPushButton>(window, "Command4"), ControlEvent::DisplayClick);
    watchButton(control<QPushButton>(window, "Command5"), ControlEvent::FindClick);
}

std::vector<ControlEvent> EventLog::take() {
    return std::exchange(events_, {});
}

} // namespace vireo::testing
