#include "platform/MessageBox.h"

#include "platform/MessageBoxBackend.h"
#include "texts/UiTexts.h"

MsgResult MsgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    MessageBoxRequest request;
    request.parent = parent;
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    // Resolved here, not in the backend, so every backend shows the same title.
    request.title = title.isEmpty() ? UiTexts::AppTitle : title;
    return MessageBoxBackend::current().show(request);
}
