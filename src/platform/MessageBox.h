#pragma once

#include <QString>

class QWidget;

// Buttons, icons and answers of the program's message boxes. The answer values
// are those the platform's message box function returns.
enum class MsgButtons { OKOnly, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
    QWidget* parent = nullptr;
    QString text;
    MsgButtons buttons = MsgButtons::OKOnly;
    MsgIcon icon = MsgIcon::None;
    QString title;
};

// Shows a message box through the current backend. An empty title becomes the
// application title, "Пергалот".
MsgResult MsgBox(QWidget* parent, const QString& text, MsgButtons buttons = MsgButtons::OKOnly,
                 MsgIcon icon = MsgIcon::None, const QString& title = QString());
