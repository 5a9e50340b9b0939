#pragma once

#include <QString>

class CommonDialog;
class QWidget;
class RichTextBox;

// The entry of the save filter that saves RTF, counted from 1 as the dialog
// reports it; every other entry saves plain text.
inline constexpr int RtfFilterEntry = 3;

// Where SaveThroughDialog wrote the document; the path is empty when nothing
// was written (the dialog was cancelled, or the write failed).
struct SavedFile
{
    QString path;
    bool rtf = false;
};

// Save As and the close prompt: asks for a file in the save dialog (the given
// title, the save filter, a question before an existing file is replaced)
// and writes the editor's document there, as RTF when the RTF entry of the
// filter was chosen and as plain text otherwise, whatever extension the
// typed name has. A failed write is reported in a message box over parent.
SavedFile SaveThroughDialog(CommonDialog& dialog, const QString& title, RichTextBox& editor, QWidget* parent);
