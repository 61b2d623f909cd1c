#pragma once

#include <QPushButton>

namespace vireo {

// A push button whose caption wraps onto several lines when it is wider than the button, as the
// captions of the window's tall, narrow buttons must. text() stays the caption as given.
class WrapButton : public QPushButton {
    Q_OBJECT

public:
    explicit WrapButton(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vireo
