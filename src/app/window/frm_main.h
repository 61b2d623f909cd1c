#pragma once

#include "state/tracking_state.h"
#include "ui/frm_main_layout.h"

#include <QWidget>
#include <exception>
#include <filesystem>

namespace vireo {

class LoadError;

// The main window. It owns the tracking state and the folder the frames are read from, and its
// six handlers drive the engine:
//
//   state          flags   threshold change            "Find Center"
//   frame-loaded   false   stores sobelthresh only     does nothing
//   edges-shown    true    stores it, repaints edges   re-estimates centres, draws the overlay
//
// "Display Picture" always leads to edges-shown, a frame change always back to frame-loaded.
class frmMain : public QWidget {
    Q_OBJECT

public:
    // Creates the window and its controls; nothing is loaded until Form_Load().
    explicit frmMain(std::filesystem::path folder, QWidget* parent = nullptr);

    // Start-up: clears both flags, fills the kernels, gives sobelslider 0..255 and the value 100
    // and stores it as the threshold, resets the scan-row table and loads the frame picslider
    // stands at (1). Throws what a step throws (a LoadError when that frame cannot be loaded);
    // the caller then reports it and never shows the window.
    void Form_Load();

    const TrackingState& state() const { return state_; }
    const std::filesystem::path& folder() const { return folder_; }

protected:
    // Outlines the two picture surfaces just outside their 161 x 121 pixels, so that a blank
    // surface can be told from the window around it.
    void paintEvent(QPaintEvent* event) override;

private:
    void Command4_Click();
    void Command5_Click();
    void picslider_Change();
    void sobelslider_Change();
    void sobelslider_Click();

    // Copies the threshold slider's value into sobelthresh and, while the edge map is shown,
    // recomputes and repaints it.
    void takeThreshold();
    // Loads the frame picslider stands at; a frame that cannot be loaded leaves the window usable
    // with an empty grey frame, a cleared Picture3 and the reason shown on it.
    void loadChosenFrame();
    void showUnloadableFrame(const LoadError& error);
    // Runs a handler; an error no handler expects is reported and ends the program.
    template <typename Handler> void guarded(Handler handler);
    void reportUnexpected(const std::exception& error);

    TrackingState state_;
    std::filesystem::path folder_;
    FrmMainControls controls_;
};

} // namespace vireo
