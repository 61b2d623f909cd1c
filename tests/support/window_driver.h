#pragma once

#include "app/window/frm_main.h"
#include "bmp_builder.h"
#include "drawing/surface.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace vireo::testing {

// The real main window on a folder of frames, started up (live on `liveInput` when given) and
// shown; its controls are found by their object names and driven with mouse and keys.
class WindowDriver {
public:
    explicit WindowDriver(const std::filesystem::path& folder,
                          const std::optional<std::string>& liveInput = {});

    frmMain& window() { return *window_; }
    const TrackingState& state() const { return window_->state(); }

    // The control of that name; throws when there is none.
    template <typename Control> Control* find(const char* name) const {
        if (auto* control = window_->findChild<Control*>(QString::fromLatin1(name)))
            return control;
        throw std::runtime_error(std::string("no control named ") + name);
    }

    void click(const char* buttonName);
    void clickDisplayPicture() { click("Command4"); }
    void clickFindCenter() { click("Command5"); }
    // A press and release on the slider's handle, which leaves its value as it is.
    void clickSliderHandle(const char* sliderName);
    void pressKey(const char* controlName, Qt::Key key, int times = 1);
    // Presses a key combination with the window active, wherever the focus is, as a shortcut.
    void pressShortcut(QKeyCombination key);
    // Drags `urls` onto the window and drops them there, as a file manager does; true when the
    // window accepted the drag and the drop.
    bool drop(const QList<QUrl>& urls);
    // Moves the mouse, no button held, over pixel (x, y) of a picture box.
    void pointAt(const char* pictureName, int x, int y);

    // A label's text: "middiff", or "statusLine" below the controls.
    QString text(const char* labelName) const;
    // What a picture box shows, as the screen would get it (at the display's pixel ratio).
    QImage shown(const char* pictureName) const;
    // The colour a picture box shows at its pixel (x, y).
    Colour shownAt(const char* pictureName, int x, int y) const;
    // The surface's own pixel (x, y).
    Colour surfaceAt(const char* pictureName, int x, int y) const;
    // True when every pixel of the picture box shows the background of a cleared surface.
    bool shownBlank(const char* pictureName) const;

private:
    std::unique_ptr<frmMain> window_;
};

} // namespace vireo::testing
