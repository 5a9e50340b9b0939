#pragma once

#include <functional>

class CommonDialog;
class QClipboard;
class QWidget;
class RichTextBox;
class frmDocument;

// What a command acts on, looked up at the moment it runs: the active
// document window, the shared common dialog, the clipboard and the window
// that owns message boxes. The main window fills one in for its command
// groups; tests can fill one in around a lone document window.
struct CommandContext
{
    // The active document window, or nullptr when there is none.
    std::function<frmDocument*()> activeForm;
    // Creates, numbers and shows a new empty document window, which is the
    // active one when the call returns.
    std::function<void()> createDocumentWindow;
    CommonDialog* dialog = nullptr;
    QClipboard* clipboard = nullptr;
    QWidget* window = nullptr;

    frmDocument* ActiveForm() const { return activeForm ? activeForm() : nullptr; }
    // The active document's editor, or nullptr.
    RichTextBox* activeEditor() const;
};
