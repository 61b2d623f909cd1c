#pragma once

#include <QSlider>

namespace vireo {

// A slider that also reports a click: a left-button press on it followed by the release over
// it, whether or not the press moved the value. Value changes arrive as valueChanged(), once
// per change, while dragging too.
class ClickSlider : public QSlider {
    Q_OBJECT

public:
    explicit ClickSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Where the handle is drawn, in the slider's coordinates.
    QRect handleRect() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace vireo
