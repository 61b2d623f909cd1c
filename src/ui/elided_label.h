#pragma once

#include <QLabel>

namespace vireo {

// A one-line label for plain text that shows as much of its text as fits and ends it with "…"
// when it is cut, with the whole text as its tooltip then. text() stays the text as given.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // The text as drawn: all of it, or its start and "…".
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

} // namespace vireo
