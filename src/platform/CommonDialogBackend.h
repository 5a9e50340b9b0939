#pragma once

#include "platform/ReplaceableBackend.h"

#include <memory>

class CommonDialog;

enum class CommonDialogKind { Open, Save, Printer, Font, Color };

// Shows the dialogs of CommonDialog: Qt's dialogs in the program, scripted
// answers in tests.
class CommonDialogBackend : public ReplaceableBackend<CommonDialogBackend>
{
public:
    virtual ~CommonDialogBackend() = default;

    // Shows the dialog of the given kind for this instance, reading its
    // properties and, when the user accepts, writing the results back
    // (FileName, FilterIndex, the font fields, Color, the printer's
    // settings). true = accepted.
    virtual bool show(CommonDialogKind kind, CommonDialog& dialog) = 0;
};

// The Qt implementation, defined beside the interface.
template <>
std::unique_ptr<CommonDialogBackend> ReplaceableBackend<CommonDialogBackend>::makeDefault();
