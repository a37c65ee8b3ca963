#pragma once
// A one-line label that never asks for the width of its text: a text longer
// than the label is shown elided in the middle, so a long path can't widen
// the window that holds it. text() stays the whole text.
#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
