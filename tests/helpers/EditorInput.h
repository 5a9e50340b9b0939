#pragma once

#include <QString>
#include <Qt>

class QWidget;
class RichTextBox;

// Keys, typing and selections as the GUI tests give them to the editor and
// the windows around it.
namespace EditorInput {

// Sends every character straight to the widget as a key press and release
// that carry only the text (key code 0), as an input method delivers it; the
// widget need not be shown or have the focus. Works for any script, unlike
// QTest::keyClicks, which takes Latin-1 only.
void typeText(QWidget* widget, const QString& text);

// One key as a keyboard gives it: the press goes to the widget that has the
// focus, the release to the one that has it after the press (another one when
// the press moved the focus).
void pressKey(int key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Types text through pressKey, each letter with the key code of its upper
// case as a keyboard reports it; "\b" is Backspace.
void typeKeys(const QString& text);

// Selects an occurrence (counted from 0) of word in the editor's text; a
// failed check when there is none.
void selectWord(RichTextBox& box, const QString& word, int occurrence = 0);

// Resizes and shows the widget; false when it was not exposed in time.
bool showExposed(QWidget& widget, int width, int height);

} // namespace EditorInput
