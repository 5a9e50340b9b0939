#pragma once

#include <memory>

class CommonDialog;

enum class CommonDialogKind { Open, Save, Printer, Font, Color };

// Shows the dialogs of CommonDialog: Qt's dialogs in the program, scripted
// answers in tests.
class CommonDialogBackend
{
public:
    virtual ~CommonDialogBackend() = default;

    // Shows the dialog of the given kind for this instance, reading its
    // properties and, when the user accepts, writing the results back
    // (FileName, FilterIndex, the font fields, Color, the printer's
    // settings). true = accepted.
    virtual bool show(CommonDialogKind kind, CommonDialog& dialog) = 0;

    // The installed backend, or the Qt one when none is installed.
    static CommonDialogBackend& current();
    // nullptr restores the Qt backend.
    static void install(std::shared_ptr<CommonDialogBackend> backend);
    // What install() last set: nullptr while the Qt backend is in use.
    static std::shared_ptr<CommonDialogBackend> installed();
};
