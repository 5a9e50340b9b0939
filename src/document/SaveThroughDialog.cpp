#include "document/SaveThroughDialog.h"

#include "document/WriteTextFile.h"
#include "platform/CommonDialog.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

SavedFile SaveThroughDialog(CommonDialog& dialog, const QString& title, RichTextBox& editor, QWidget* parent)
{
    dialog.DialogTitle = title;
    dialog.CancelError = false;
    dialog.Flags = CommonDialog::OFN_OVERWRITEPROMPT;
    dialog.Filter = UiTexts::SaveFilter;
    dialog.ShowSave();
    const QString path = dialog.FileName;
    if (path.isEmpty())
        return {};

    const bool rtf = dialog.FilterIndex == RtfFilterEntry;
    QString reason;
    const bool saved = rtf ? editor.SaveFile(path, &reason) : WriteTextFile(path, editor, &reason);
    if (!saved) {
        MsgBox(parent, UiTexts::SaveFailed.arg(path, reason), MsgButtons::OKOnly, MsgIcon::Exclamation);
        return {};
    }
    return {path, rtf};
}
