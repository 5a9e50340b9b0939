#include "platform/QtMessageBoxBackend.h"

#include <QAbstractButton>
#include <QList>
#include <QMessageBox>
#include <QPair>

namespace {

using Buttons = QList<QPair<QMessageBox::StandardButton, MsgResult>>;

// In the order the box shows them; the first one is the default button.
Buttons buttonsFor(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OKOnly:
        return {{QMessageBox::Ok, MsgResult::OK}};
    case MsgButtons::OKCancel:
        return {{QMessageBox::Ok, MsgResult::OK}, {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgButtons::AbortRetryIgnore:
        return {{QMessageBox::Abort, MsgResult::Abort},
                {QMessageBox::Retry, MsgResult::Retry},
                {QMessageBox::Ignore, MsgResult::Ignore}};
    case MsgButtons::YesNoCancel:
        return {{QMessageBox::Yes, MsgResult::Yes},
                {QMessageBox::No, MsgResult::No},
                {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgButtons::YesNo:
        return {{QMessageBox::Yes, MsgResult::Yes}, {QMessageBox::No, MsgResult::No}};
    case MsgButtons::RetryCancel:
        return {{QMessageBox::Retry, MsgResult::Retry}, {QMessageBox::Cancel, MsgResult::Cancel}};
    }
    return {{QMessageBox::Ok, MsgResult::OK}};
}

QMessageBox::Icon iconFor(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The answer of a box that was closed without a button: Cancel where the box
// has one, otherwise what Escape would have chosen.
MsgResult closedAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OKOnly:
        return MsgResult::OK;
    case MsgButtons::AbortRetryIgnore:
        return MsgResult::Abort;
    case MsgButtons::YesNo:
        return MsgResult::No;
    case MsgButtons::OKCancel:
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel:
        return MsgResult::Cancel;
    }
    return MsgResult::Cancel;
}

} // namespace

MsgResult QtMessageBoxBackend::show(const MessageBoxRequest& request)
{
    QMessageBox box(request.parent);
    box.setWindowTitle(request.title);
    box.setText(request.text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(iconFor(request.icon));

    const Buttons buttons = buttonsFor(request.buttons);
    QMessageBox::StandardButtons standard;
    for (const auto& b : buttons)
        standard |= b.first;
    box.setStandardButtons(standard);
    box.setDefaultButton(buttons.first().first);
    if (standard.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);

    box.exec();

    if (QAbstractButton* clicked = box.clickedButton()) {
        const QMessageBox::StandardButton which = box.standardButton(clicked);
        for (const auto& b : buttons) {
            if (b.first == which)
                return b.second;
        }
    }
    return closedAnswer(request.buttons);
}
