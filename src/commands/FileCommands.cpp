#include "commands/FileCommands.h"

#include "commands/frmDeleteQuestion.h"
#include "document/SaveThroughDialog.h"
#include "document/WriteTextFile.h"
#include "document/frmDocument.h"
#include "platform/CommonDialog.h"
#include "platform/MessageBox.h"
#include "platform/ReadableFile.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPrinter>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool removeFile(const QString& path, QString* reason)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        *reason = QStringLiteral("Файл «%1» не найден.").arg(native(path));
        return false;
    }
    if (info.isDir() && !info.isSymLink()) {
        *reason = QStringLiteral("«%1» — это папка, а не файл.").arg(native(path));
        return false;
    }
    QFile file(path);
    if (file.remove())
        return true;
    const QFileInfo folder(info.absolutePath());
    if (!folder.isWritable())
        *reason = QStringLiteral("Нет прав на запись в папку «%1».").arg(native(folder.filePath()));
    else
        *reason = QStringLiteral("Не удалось удалить файл «%1»: %2.").arg(native(path), file.errorString());
    return false;
}

// Closes a document window the way its close box does, save prompt included.
void closeWindow(frmDocument* document)
{
    if (auto* frame = qobject_cast<QMdiSubWindow*>(document->parentWidget()))
        frame->close();
    else
        document->close();
}

bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

} // namespace

FileCommands::FileCommands(CommandContext context)
    : m_context(std::move(context))
{
}

void FileCommands::report(const QString& text) const
{
    MsgBox(m_context.window, text, MsgButtons::OKOnly, MsgIcon::Exclamation);
}

void FileCommands::mnuFileOpen_Click()
{
    CommonDialog& dialog = *m_context.dialog;
    dialog.DialogTitle = UiTexts::OpenTitle;
    dialog.CancelError = false;
    dialog.Flags = CommonDialog::OFN_FILEMUSTEXIST;
    dialog.Filter = UiTexts::OpenFilter;
    dialog.ShowOpen();
    const QString path = dialog.FileName;
    if (path.isEmpty())
        return;
    openFile(path);
}

bool FileCommands::openFile(const QString& path)
{
    // A file that cannot be read is refused before a window is made for it.
    QString reason = ReadableFile::problem(path);
    if (!reason.isEmpty()) {
        report(UiTexts::OpenFailed.arg(path, reason));
        return false;
    }
    m_context.createDocumentWindow();
    frmDocument* document = m_context.ActiveForm();
    if (!document)
        return false;
    if (!document->rtfText->LoadFile(path, &reason)) {
        // The file went away or broke between the check and the load; the
        // new window is still empty and closes without a question.
        report(UiTexts::OpenFailed.arg(path, reason));
        closeWindow(document);
        return false;
    }
    document->setCaption(path);
    return true;
}

void FileCommands::mnuFileSave_Click()
{
    frmDocument* document = m_context.ActiveForm();
    if (!document)
        return;
    if (document->isUntitled()) {
        mnuFileSaveAs_Click();
        return;
    }
    // The caption decides the format, case-sensitively and without looking
    // for a dot: "a.rtf" and "artf" are RTF, "a.RTF" is plain text.
    const QString path = document->Caption();
    RichTextBox* editor = document->rtfText;
    QString reason;
    const bool saved = path.right(3) == QLatin1String("rtf") ? editor->SaveFile(path, &reason)
                                                             : WriteTextFile(path, *editor, &reason);
    if (!saved)
        report(UiTexts::SaveFailed.arg(path, reason));
}

void FileCommands::mnuFileSaveAs_Click()
{
    frmDocument* document = m_context.ActiveForm();
    if (!document)
        return;
    // The proposed name and filter entry are whatever the shared dialog last
    // held, not the document's own path; the caption names the new file only
    // once it has been written.
    const SavedFile saved = SaveThroughDialog(*m_context.dialog, UiTexts::SaveAsTitle, *document->rtfText,
                                              m_context.window);
    if (!saved.path.isEmpty())
        document->setCaption(saved.path);
}

void FileCommands::mnuFilePrint_Click()
{
    frmDocument* document = m_context.ActiveForm();
    if (!document)
        return;
    RichTextBox* editor = document->rtfText;
    CommonDialog& dialog = *m_context.dialog;
    dialog.DialogTitle = UiTexts::PrintTitle;
    dialog.CancelError = true;
    dialog.Flags = CommonDialog::PD_RETURNDC | CommonDialog::PD_NOPAGENUMS;
    if (editor->SelLength() != 0)
        dialog.Flags |= CommonDialog::PD_SELECTION;
    if (!dialog.ShowPrinter())
        return;  // cancelled
    // The selection or the whole document, with the page range, copies and
    // order the user chose in the dialog.
    editor->SelPrint(dialog.printer());
}

void FileCommands::mnuFilePageSetup_Click()
{
    CommonDialog& dialog = *m_context.dialog;
    dialog.DialogTitle = UiTexts::PageSetupTitle;
    dialog.CancelError = true;
    // PD_PRINTSETUP asks for the page set-up dialog instead of the print
    // dialog; the flags the last command left are kept for the next one.
    const quint32 flags = dialog.Flags;
    dialog.Flags = flags | CommonDialog::PD_PRINTSETUP;
    dialog.ShowPrinter();  // its choices stay in the shared printer
    dialog.Flags = flags;
}

void FileCommands::mnufiledelete_Click()
{
    frmDocument* document = m_context.ActiveForm();
    if (!document || document->isUntitled())
        return;
    frmDeleteQuestion question(document->Caption(), m_context.window);
    if (question.exec() == QDialog::Accepted)
        deleteActiveDocumentFile();
}

// The window closes first, through its save prompt, and the file goes
// whatever the prompt's outcome, except when the prompt has just saved the
// document into that very file: then the user's last word was to keep it.
void FileCommands::deleteActiveDocumentFile()
{
    const QPointer<frmDocument> document = m_context.ActiveForm();
    if (!document)
        return;
    const QString path = document->Caption();
    closeWindow(document);
    const QString saved = document ? document->promptSavedPath() : QString();
    if (!saved.isEmpty() && sameFile(saved, path)) {
        MsgBox(m_context.window, UiTexts::DeleteKeptSaved.arg(path), MsgButtons::OKOnly, MsgIcon::Information);
        return;
    }
    QString reason;
    if (!removeFile(path, &reason))
        report(UiTexts::DeleteFailed.arg(path, reason));
}
