#pragma once

#include <QPushButton>

// A push button whose caption wraps onto several lines when it is wider
// than the button, as a tall button with a long caption needs.
class WrappingButton : public QPushButton
{
    Q_OBJECT
public:
    WrappingButton(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
