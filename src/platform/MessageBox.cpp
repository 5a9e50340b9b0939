#include "platform/MessageBox.h"

#include "platform/MessageBoxBackend.h"

#include <QGuiApplication>

MsgResult MsgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    MessageBoxRequest request;
    request.parent = parent;
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    // Resolved here, not in the backend, so every backend shows the same title.
    // The program sets its display name at start-up.
    request.title = title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
    return MessageBoxBackend::current().show(request);
}
