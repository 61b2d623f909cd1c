#include "app/window/frm_main_layout.h"

#include "ui/click_slider.h"
#include "ui/elided_label.h"
#include "ui/picture_box.h"
#include "ui/wrap_button.h"

#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <array>
#include <utility>

namespace vireo {

namespace {

template <typename Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

ClickSlider* makeSlider(QWidget* frame, const char* name, int left, int top, int width, int height,
                        int maximum, int value) {
    auto* slider = place(new ClickSlider(Qt::Horizontal, frame), name, left, top, width, height);
    slider->setRange(0, maximum);
    slider->setValue(value);
    slider->setPageStep(5);
    slider->setSingleStep(1);
    return slider;
}

// Chains the controls in the window's Tab order; frames, labels and picture surfaces take no
// focus and are passed over by Tab.
void setTabOrder(const FrmMainControls& c) {
    const std::array<QWidget*, 10> inTabOrder{c.Picture3,    c.Picture4, c.Command4,  c.Frame6,
                                              c.sobelslider, c.Frame7,   c.picslider, c.Command5,
                                              c.Label1,      c.middiff};
    QWidget* previous = nullptr;
    for (QWidget* control : inTabOrder) {
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

} // namespace

FrmMainControls createFrmMainControls(QWidget& window) {
    window.setObjectName(QStringLiteral("frmMain"));
    window.setWindowTitle(QStringLiteral("Vireo"));
    window.setFixedSize(kFrmMainClientSize);

    // Created in the order the window lists them, so later controls lie above earlier ones
    // where they overlap (the labels' bottom row over the top row of Frame6).
    FrmMainControls c;
    c.Command5 =
        place(new WrapButton(QStringLiteral("Find Center"), &window), "Command5", 440, 8, 65, 65);
    c.Frame7 = place(new QGroupBox(QStringLiteral("picture selector"), &window), "Frame7", 360, 80,
                     145, 41);
    c.picslider = makeSlider(c.Frame7, "picslider", 8, 16, 129, 17, kPicsliderDefaultMaximum, 1);
    c.Frame6 =
        place(new QGroupBox(QStringLiteral("sobel threshold"), &window), "Frame6", 8, 144, 497, 49);
    c.sobelslider = makeSlider(c.Frame6, "sobelslider", 8, 16, 481, 25, 255, 0);
    c.Command4 = place(new WrapButton(QStringLiteral("Display Picture"), &window), "Command4", 360,
                       8, 73, 65);
    c.Picture4 = place(new PictureBox(&window), "Picture4", 184, 8, 161, 121);
    c.Picture3 = place(new PictureBox(&window), "Picture3", 8, 8, 161, 121);
    c.middiff = place(new QLabel(QStringLiteral("N/A"), &window), "middiff", 432, 128, 57, 17);
    c.Label1 = place(new QLabel(QStringLiteral("Forecast"), &window), "Label1", 368, 128, 49, 17);

    setTabOrder(c);
    return c;
}

QLabel* createStatusLine(QWidget& window) {
    window.setFixedSize(kFrmMainWindowSize);
    const int top = kFrmMainClientSize.height();
    const int height = kFrmMainWindowSize.height() - top;
    auto* line = place(new ElidedLabel(&window), "statusLine", 8, top,
                       kFrmMainWindowSize.width() - 16, height - 2);
    return line;
}

} // namespace vireo
