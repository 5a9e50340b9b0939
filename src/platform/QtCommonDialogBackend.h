#pragma once

#include "platform/CommonDialogBackend.h"

#include <QStringList>

// The common dialogs as Qt's own dialog widgets (not the desktop's native
// ones, so they behave and read the same everywhere: no suffix is ever added
// to a typed name unless DefaultExt asks for one).
class QtCommonDialogBackend : public CommonDialogBackend
{
public:
    bool show(CommonDialogKind kind, CommonDialog& dialog) override;

    // The "|" filter as QFileDialog name filters, one per entry and in the
    // same order: "RTF Text (*.rtf)" stays as it is, "Текстовые документы"
    // with "*.txt" becomes "Текстовые документы (*.txt)", and "*.*" becomes
    // "*" so that files without an extension are listed too.
    static QStringList nameFilters(const QString& filter);

private:
    static bool showFile(bool save, CommonDialog& dialog);
    static bool showPrinter(CommonDialog& dialog);
    static bool showFont(CommonDialog& dialog);
    static bool showColor(CommonDialog& dialog);
};
