#include "window_driver.h"

#include "ui/click_slider.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

namespace vireo::testing {

WindowDriver::WindowDriver(const std::filesystem::path& folder,
                           const std::optional<std::string>& liveInput)
    : window_(std::make_unique<frmMain>(folder)) {
    if (const auto started = window_->Form_Load(liveInput); !started)
        throw std::runtime_error("start-up failed: " + started.error().message());
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get()))
        throw std::runtime_error("the window was not exposed");
}

void WindowDriver::click(const char* buttonName) {
    QTest::mouseClick(find<QPushButton>(buttonName), Qt::LeftButton);
}

void WindowDriver::clickSliderHandle(const char* sliderName) {
    auto* slider = find<ClickSlider>(sliderName);
    QTest::mouseClick(slider, Qt::LeftButton, {}, slider->handleRect().center());
}

void WindowDriver::pressKey(const char* controlName, Qt::Key key, int times) {
    auto* control = find<QWidget>(controlName);
    for (int i = 0; i < times; ++i)
        QTest::keyClick(control, key);
}

void WindowDriver::pressShortcut(QKeyCombination key) {
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get()))
        throw std::runtime_error("the window could not be made active");
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : window_.get(), key.key(), key.keyboardModifiers());
}

bool WindowDriver::drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPointF at(256, 100);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
    return enter.isAccepted() && move.isAccepted() && drop.isAccepted();
}

void WindowDriver::pointAt(const char* pictureName, int x, int y) {
    // Qt drops a move to where the mouse already is, so first move it off the pictures.
    QTest::mouseMove(window_.get(), QPoint(1, window_->height() - 1));
    QTest::mouseMove(find<PictureBox>(pictureName), QPoint(x, y));
}

QString WindowDriver::text(const char* labelName) const {
    return find<QLabel>(labelName)->text();
}

QImage WindowDriver::shown(const char* pictureName) const {
    return find<PictureBox>(pictureName)->grab().toImage();
}

Colour WindowDriver::shownAt(const char* pictureName, int x, int y) const {
    const QImage image = shown(pictureName);
    const double ratio = image.devicePixelRatio();
    // The device pixel under the middle of the image pixel.
    const QRgb c =
        image.pixel(static_cast<int>((x + 0.5) * ratio), static_cast<int>((y + 0.5) * ratio));
    return rgb(qRed(c), qGreen(c), qBlue(c));
}

Colour WindowDriver::surfaceAt(const char* pictureName, int x, int y) const {
    return find<PictureBox>(pictureName)->surface().pixel(x, y);
}

bool WindowDriver::shownBlank(const char* pictureName) const {
    const QImage image = shown(pictureName).convertToFormat(QImage::Format_RGB32);
    QImage blank(image.size(), QImage::Format_RGB32);
    blank.setDevicePixelRatio(image.devicePixelRatio());
    const Colour background = RasterSurface::kBackground;
    blank.fill(QColor(redOf(background), greenOf(background), blueOf(background)));
    return image == blank;
}

} // namespace vireo::testing
