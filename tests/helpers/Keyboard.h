#pragma once

#include <QString>
#include <Qt>

// Keys as a user types them: each press goes to the widget that has the
// focus, and its release to the widget that has the focus once the press
// was handled, which is another one when the press moved the focus.
namespace Keyboard {

// Presses and releases one key; text is what it types (may be empty).
void click(int key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Types each character of text (Cyrillic included) as one key click.
void type(const QString& text);

} // namespace Keyboard
