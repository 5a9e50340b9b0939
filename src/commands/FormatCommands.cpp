#include "commands/FormatCommands.h"

#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include <QList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>

namespace {

// Screen and printer fonts, the effects (strikeout, underline, colour) and
// an Apply button.
constexpr quint32 FontDialogFlags = CommonDialog::CF_BOTH | CommonDialog::CF_EFFECTS | CommonDialog::CF_APPLY;
static_assert(FontDialogFlags == 771);

} // namespace

FormatCommands::FormatCommands(CommandContext context)
    : m_context(std::move(context))
{
}

void FormatCommands::applyFont(RichTextBox& editor, const CommonDialog& dialog)
{
    QTextCursor group = editor.textCursor();
    group.beginEditBlock();
    editor.setSelFontName(dialog.FontName);
    editor.setSelFontSize(dialog.FontSize);
    editor.setSelItalic(dialog.FontItalic);
    editor.setSelBold(dialog.FontBold);
    editor.setSelColor(dialog.Color);
    editor.setSelStrikeThru(dialog.FontStrikethru);
    editor.setSelUnderline(dialog.FontUnderline);
    group.endEditBlock();
}

// The dialog opens with the choices of its last use, never with the
// selection's font.
void FormatCommands::mnutuningfont_Click()
{
    CommonDialog* dialog = m_context.dialog;
    if (!m_context.ActiveForm() || !dialog)
        return;
    dialog->Flags = FontDialogFlags;
    dialog->onApply = [this, dialog] {
        if (RichTextBox* editor = m_context.activeEditor())
            applyFont(*editor, *dialog);
    };
    const bool accepted = dialog->ShowFont();
    dialog->onApply = nullptr;
    if (!accepted)
        return;
    if (RichTextBox* editor = m_context.activeEditor())
        applyFont(*editor, *dialog);
}

void FormatCommands::mnutuningfontcolor_Click()
{
    CommonDialog* dialog = m_context.dialog;
    if (!m_context.ActiveForm() || !dialog)
        return;
    if (!dialog->ShowColor())
        return;
    if (RichTextBox* editor = m_context.activeEditor())
        editor->setSelColor(dialog->Color);
}

void FormatCommands::mnucontextfont_Click()
{
    mnutuningfont_Click();
}

void FormatCommands::mnutuningcapsenabled_Click()
{
    if (RichTextBox* editor = m_context.activeEditor())
        convertCase(*editor, true);
}

void FormatCommands::mnutuningcapsdisabled_Click()
{
    if (RichTextBox* editor = m_context.activeEditor())
        convertCase(*editor, false);
}

void FormatCommands::convertCase(RichTextBox& editor, bool upper)
{
    const qsizetype start = editor.SelStart();
    const qsizetype end = start + editor.SelLength();
    if (start == end)
        return;

    struct Run
    {
        qsizetype position;
        qsizetype length;
        QString converted;
        QTextCharFormat format;
    };
    QList<Run> runs;
    QTextDocument* document = editor.document();
    for (QTextBlock block = document->findBlock(int(start)); block.isValid() && block.position() < end;
         block = block.next()) {
        const qsizetype blockStart = block.position();
        const QString text = block.text();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const qsizetype fragmentStart = fragment.position();
            const qsizetype from = std::max<qsizetype>(start, fragmentStart);
            const qsizetype to = std::min<qsizetype>(end, fragmentStart + fragment.length());
            if (from >= to)
                continue;
            const QStringView original = QStringView(text).mid(from - blockStart, to - from);
            QString converted = upper ? original.toString().toUpper() : original.toString().toLower();
            if (converted != original)
                runs.append({from, to - from, std::move(converted), fragment.charFormat()});
        }
    }

    // From the end backwards, so the positions still to come stay valid.
    qsizetype growth = 0;
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        cursor.setPosition(int(run->position));
        cursor.setPosition(int(run->position + run->length), QTextCursor::KeepAnchor);
        cursor.insertText(run->converted, run->format);
        growth += run->converted.size() - run->length;
    }
    cursor.endEditBlock();

    editor.setSelStart(start);
    editor.setSelLength(end - start + growth);
}
