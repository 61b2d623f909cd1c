#pragma once

#include <QSize>

class QGroupBox;
class QLabel;
class QWidget;

namespace vireo {

class ClickSlider;
class PictureBox;
class WrapButton;

// The main window's ten controls. Their names are also their Qt object names, which tests and
// the status line's readout look them up by.
struct FrmMainControls {
    WrapButton* Command5 = nullptr;     // "Find Center"
    QGroupBox* Frame7 = nullptr;        // "picture selector", holds picslider
    ClickSlider* picslider = nullptr;   // frame number, 0..12 or up to the highest frame
    QGroupBox* Frame6 = nullptr;        // "sobel threshold", holds sobelslider
    ClickSlider* sobelslider = nullptr; // edge threshold
    WrapButton* Command4 = nullptr;     // "Display Picture"
    PictureBox* Picture4 = nullptr;     // the edge frame and the centre overlay
    PictureBox* Picture3 = nullptr;     // the loaded frame file
    QLabel* middiff = nullptr;          // the forecast, "N/A" while there is none
    QLabel* Label1 = nullptr;           // "Forecast"
};

// The control area that holds the ten controls.
inline constexpr QSize kFrmMainClientSize{512, 199};
// The whole window: the control area and, below it, a strip for the status line.
inline constexpr QSize kFrmMainWindowSize{512, 219};
// The slider's default maximum: the highest frame number picslider offers unless a folder holds
// higher ones.
inline constexpr int kPicsliderDefaultMaximum = 12;

// Names `window` frmMain, captions it "Vireo", fixes its client area at 512 x 199 and creates
// the ten controls on it with their object names, captions, positions (pixels, relative to the
// window or to the frame that holds them), sizes, tab order and the sliders' initial settings:
// picslider 0..12 at 1, sobelslider 0..255 at 0 (start-up then sets 100), both with page step 5
// and arrow step 1.
FrmMainControls createFrmMainControls(QWidget& window);

// Grows `window` to kFrmMainWindowSize and puts a one-line label named statusLine in the strip
// below the control area. It takes no focus, so the tab order stays that of the ten controls. A
// text longer than the line ends in "…", with the whole text in the line's tooltip.
QLabel* createStatusLine(QWidget& window);

} // namespace vireo
