#include "random_operator.h"

#include "ui/click_slider.h"
#include "window_driver.h"

#include <QTest>
#include <array>

namespace vireo::testing {

namespace {

struct NamedKey {
    Qt::Key key;
    const char* name;
};

constexpr std::array<NamedKey, 8> kKeys{{{Qt::Key_Right, "Right"},
                                         {Qt::Key_Left, "Left"},
                                         {Qt::Key_Up, "Up"},
                                         {Qt::Key_Down, "Down"},
                                         {Qt::Key_PageUp, "PageUp"},
                                         {Qt::Key_PageDown, "PageDown"},
                                         {Qt::Key_Home, "Home"},
                                         {Qt::Key_End, "End"}}};

constexpr int kTuningOneIn = 60;

} // namespace

RandomOperator::RandomOperator(WindowDriver& driver, std::uint64_t seed)
    : driver_(driver)
    , random_(seed) {}

// Frame changes are rare enough that a frame usually sees several "Display Picture", threshold
// changes and "Find Center" in a row, so that the centres carry over and walk.
RandomOperator::Step RandomOperator::step() {
    if (tuningLeft_ > 0 || below(kTuningOneIn) == 0)
        return tuningStep();
    const int pick = below(60);
    if (pick < 10) {
        driver_.clickDisplayPicture();
        return {"click Display Picture", true};
    }
    if (pick < 26) {
        driver_.clickFindCenter();
        return {"click Find Center", false, false, true};
    }
    return pick < 35 ? frameStep() : thresholdStep();
}

RandomOperator::Step RandomOperator::frameStep() {
    const int pick = below(9);
    if (pick < 4) {
        const int frame = below(13);
        driver_.find<ClickSlider>("picslider")->setValue(frame);
        return {"picslider set to " + std::to_string(frame)};
    }
    if (pick < 8) {
        const NamedKey& key = kKeys[static_cast<std::size_t>(below(kKeys.size()))];
        driver_.pressKey("picslider", key.key);
        return {std::string("key ") + key.name + " on picslider"};
    }
    driver_.clickSliderHandle("picslider");
    return {"click on the picslider handle"};
}

RandomOperator::Step RandomOperator::thresholdStep() {
    auto* slider = driver_.find<ClickSlider>("sobelslider");
    const int pick = below(25);
    std::string text;
    if (pick < 9) {
        const NamedKey& key = kKeys[static_cast<std::size_t>(below(kKeys.size()))];
        const int times = below(4) == 0 ? between(2, 6) : 1;
        driver_.pressKey("sobelslider", key.key, times);
        text = std::string("key ") + key.name + " x" + std::to_string(times) + " on sobelslider";
    } else if (pick < 16) {
        // What the slider does while its handle is dragged: held down, it passes through
        // positions, each a value change, then it is let go.
        text = "sobelslider dragged through";
        slider->setSliderDown(true);
        for (int i = between(1, 4); i > 0; --i) {
            const int value = below(256);
            slider->setSliderPosition(value);
            text.append(" ").append(std::to_string(value));
        }
        slider->setSliderDown(false);
    } else if (pick < 19) {
        // The mouse takes the handle, moves it and lets go, inside the slider or beyond it.
        QPoint at = slider->handleRect().center();
        text = "mouse drag of the sobelslider handle from x " + std::to_string(at.x());
        QTest::mousePress(slider, Qt::LeftButton, {}, at);
        for (int i = between(1, 4); i > 0; --i) {
            at.setX(at.x() + between(-120, 120));
            QTest::mouseMove(slider, at);
            text.append(" to ").append(std::to_string(at.x()));
        }
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
    } else if (pick < 23) {
        driver_.clickSliderHandle("sobelslider");
        text = "click on the sobelslider handle";
    } else {
        const QPoint at(below(slider->width()), slider->height() / 2);
        text = "click on the sobelslider groove at x " + std::to_string(at.x());
        if (slider->handleRect().contains(at))
            text = "no groove click (the handle lies there)";
        else
            QTest::mouseClick(slider, Qt::LeftButton, {}, at);
    }
    return {text, false, true};
}

// Shows the edges and takes the threshold to 0, then alternates raising it and "Find Center".
RandomOperator::Step RandomOperator::tuningStep() {
    if (tuningLeft_ == 0) {
        tuningLeft_ = 2 * between(4, 14);
        driver_.clickDisplayPicture();
        driver_.pressKey("sobelslider", Qt::Key_Home);
        return {"tuning: click Display Picture, key Home on sobelslider", true, true};
    }
    if (tuningLeft_-- % 2 == 1) {
        driver_.clickFindCenter();
        return {"tuning: click Find Center", false, false, true};
    }
    const int times = between(1, 8);
    driver_.pressKey("sobelslider", Qt::Key_PageUp, times);
    return {"tuning: key PageUp x" + std::to_string(times) + " on sobelslider", false, true};
}

} // namespace vireo::testing
