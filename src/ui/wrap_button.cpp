#include "ui/wrap_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace vireo {

WrapButton::WrapButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {}

void WrapButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // Let the style draw the bevel and focus frame without a caption, then draw the caption
    // wrapped inside the button's contents area.
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(contents, Qt::AlignCenter | Qt::TextWordWrap, text());
}

} // namespace vireo
