#include "random_operator.h"

#include "ui/click_slider.h"
#include "window_driver.h"

#include <QTest>
#include <utility>

namespace vireo::testing {

namespace {

struct Weighted {
    RandomOperator::Action action;
    int weight;
};

// Frame changes are rare enough that a frame usually sees several "Display Picture", threshold
// changes and "Find Center" in a row, so that the centres carry over and walk.
constexpr std::array<Weighted, RandomOperator::kActions> kWeights{{
    {RandomOperator::Action::FrameValue, 4},
    {RandomOperator::Action::FrameKey, 4},
    {RandomOperator::Action::FrameHandleClick, 1},
    {RandomOperator::Action::ThresholdKey, 9},
    {RandomOperator::Action::ThresholdDragPositions, 7},
    {RandomOperator::Action::ThresholdMouseDrag, 3},
    {RandomOperator::Action::ThresholdHandleClick, 4},
    {RandomOperator::Action::ThresholdGrooveClick, 2},
    {RandomOperator::Action::DisplayPicture, 10},
    {RandomOperator::Action::FindCenter, 16},
}};

struct NamedKey {
    Qt::Key key;
    const char* name;
};

constexpr std::array<NamedKey, 6> kFrameKeys{{{Qt::Key_Right, "Right"},
                                              {Qt::Key_Left, "Left"},
                                              {Qt::Key_PageUp, "PageUp"},
                                              {Qt::Key_PageDown, "PageDown"},
                                              {Qt::Key_Home, "Home"},
                                              {Qt::Key_End, "End"}}};

constexpr std::array<NamedKey, 8> kThresholdKeys{{{Qt::Key_Right, "Right"},
                                                  {Qt::Key_Left, "Left"},
                                                  {Qt::Key_Up, "Up"},
                                                  {Qt::Key_Down, "Down"},
                                                  {Qt::Key_PageUp, "PageUp"},
                                                  {Qt::Key_PageDown, "PageDown"},
                                                  {Qt::Key_Home, "Home"},
                                                  {Qt::Key_End, "End"}}};

// One step in this many starts a tuning of the threshold.
constexpr int kTuningOneIn = 60;

} // namespace

const char* RandomOperator::name(Action action) {
    switch (action) {
    case Action::FrameValue:
        return "frame value";
    case Action::FrameKey:
        return "frame key";
    case Action::FrameHandleClick:
        return "frame handle click";
    case Action::ThresholdKey:
        return "threshold key";
    case Action::ThresholdDragPositions:
        return "threshold drag positions";
    case Action::ThresholdMouseDrag:
        return "threshold mouse drag";
    case Action::ThresholdHandleClick:
        return "threshold handle click";
    case Action::ThresholdGrooveClick:
        return "threshold groove click";
    case Action::DisplayPicture:
        return "Display Picture";
    case Action::FindCenter:
        return "Find Center";
    case Action::TuningStart:
        return "tuning start";
    case Action::TuningRaise:
        return "tuning raise";
    }
    return "?";
}

RandomOperator::RandomOperator(WindowDriver& driver, std::uint64_t seed)
    : driver_(driver)
    , random_(seed) {}

int RandomOperator::below(int n) {
    return static_cast<int>(random_() % static_cast<std::uint64_t>(n));
}

RandomOperator::Step RandomOperator::step() {
    if (tuningLeft_ > 0 || below(kTuningOneIn) == 0)
        return tuningStep();

    int total = 0;
    for (const Weighted& w : kWeights)
        total += w.weight;
    int pick = below(total);
    Action action = kWeights.back().action;
    for (const Weighted& w : kWeights) {
        if (pick < w.weight) {
            action = w.action;
            break;
        }
        pick -= w.weight;
    }

    switch (action) {
    case Action::FrameValue: {
        const int frame = below(13);
        driver_.find<ClickSlider>("picslider")->setValue(frame);
        return {action, "picslider set to " + std::to_string(frame)};
    }
    case Action::FrameKey:
        return {action, frameKey()};
    case Action::FrameHandleClick:
        driver_.clickSliderHandle("picslider");
        return {action, "click on the picslider handle"};
    case Action::ThresholdKey:
        return {action, thresholdKey()};
    case Action::ThresholdDragPositions:
        return {action, thresholdDragPositions()};
    case Action::ThresholdMouseDrag:
        return {action, thresholdMouseDrag()};
    case Action::ThresholdHandleClick:
        driver_.clickSliderHandle("sobelslider");
        return {action, "click on the sobelslider handle"};
    case Action::ThresholdGrooveClick:
        return {action, thresholdGrooveClick()};
    case Action::DisplayPicture:
        driver_.clickDisplayPicture();
        return {action, "click Display Picture"};
    case Action::FindCenter:
        driver_.clickFindCenter();
        return {action, "click Find Center"};
    case Action::TuningStart:
    case Action::TuningRaise:
        break; // not in the table: tuning begins on its own
    }
    return tuningStep();
}

// Shows the edges and takes the threshold to 0, then alternates raising it and "Find Center".
RandomOperator::Step RandomOperator::tuningStep() {
    if (tuningLeft_ == 0) {
        tuningLeft_ = 2 * between(4, 14);
        driver_.clickDisplayPicture();
        driver_.pressKey("sobelslider", Qt::Key_Home);
        return {Action::TuningStart, "tuning: click Display Picture, key Home on sobelslider"};
    }
    if (tuningLeft_-- % 2 == 1) {
        driver_.clickFindCenter();
        return {Action::FindCenter, "tuning: click Find Center"};
    }
    const int times = between(1, 8);
    driver_.pressKey("sobelslider", Qt::Key_PageUp, times);
    return {Action::TuningRaise,
            "tuning: key PageUp x" + std::to_string(times) + " on sobelslider"};
}

std::string RandomOperator::frameKey() {
    const NamedKey& key = kFrameKeys[static_cast<std::size_t>(below(kFrameKeys.size()))];
    driver_.pressKey("picslider", key.key);
    return std::string("key ") + key.name + " on picslider";
}

std::string RandomOperator::thresholdKey() {
    const NamedKey& key = kThresholdKeys[static_cast<std::size_t>(below(kThresholdKeys.size()))];
    const int times = below(4) == 0 ? between(2, 6) : 1;
    driver_.pressKey("sobelslider", key.key, times);
    return std::string("key ") + key.name + " x" + std::to_string(times) + " on sobelslider";
}

// What the slider does while its handle is dragged: held down, it passes through positions, each
// a value change, then it is let go.
std::string RandomOperator::thresholdDragPositions() {
    auto* slider = driver_.find<ClickSlider>("sobelslider");
    std::string text = "sobelslider dragged through";
    slider->setSliderDown(true);
    for (int i = between(1, 4); i > 0; --i) {
        const int value = below(256);
        slider->setSliderPosition(value);
        text.append(" ").append(std::to_string(value));
    }
    slider->setSliderDown(false);
    return text;
}

// The mouse takes the handle, moves it a few times and lets go, inside the slider or beyond it.
std::string RandomOperator::thresholdMouseDrag() {
    auto* slider = driver_.find<ClickSlider>("sobelslider");
    QPoint at = slider->handleRect().center();
    std::string text = "mouse drag of the sobelslider handle from x " + std::to_string(at.x());
    QTest::mousePress(slider, Qt::LeftButton, {}, at);
    for (int i = between(1, 4); i > 0; --i) {
        at.setX(at.x() + between(-120, 120));
        QTest::mouseMove(slider, at);
        text.append(" to ").append(std::to_string(at.x()));
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
    return text;
}

// A click on the groove beside the handle.
std::string RandomOperator::thresholdGrooveClick() {
    auto* slider = driver_.find<ClickSlider>("sobelslider");
    const QRect handle = slider->handleRect();
    const QPoint at(below(slider->width()), slider->height() / 2);
    if (handle.contains(at))
        return "no groove click (the handle lies there)";
    QTest::mouseClick(slider, Qt::LeftButton, {}, at);
    return "click on the sobelslider groove at x " + std::to_string(at.x());
}

} // namespace vireo::testing
