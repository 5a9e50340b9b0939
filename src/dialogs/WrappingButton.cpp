#include "dialogs/WrappingButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

WrappingButton::WrappingButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
}

void WrappingButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) / 2;
    painter.drawItemText(area.adjusted(margin, 0, -margin, 0), Qt::AlignCenter | Qt::TextWordWrap, option.palette,
                         isEnabled(), caption, QPalette::ButtonText);
}
