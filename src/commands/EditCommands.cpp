#include "commands/EditCommands.h"

#include "platform/RichTextBox.h"

#include <QClipboard>
#include <QDate>
#include <QLocale>
#include <QMimeData>
#include <QSet>
#include <QTime>

namespace {

const QString imageFormat = QStringLiteral("application/x-qt-image");
const QString colorFormat = QStringLiteral("application/x-color");

bool isTextFormat(const QString& format)
{
    static const QSet<QString> textFormats = {
        QStringLiteral("text/plain"),    QStringLiteral("text/html"),     QStringLiteral("text/rtf"),
        QStringLiteral("text/richtext"), QStringLiteral("application/rtf"), QStringLiteral("application/x-qt-richtext"),
    };
    // "text/plain;charset=utf-8" is text/plain too.
    return textFormats.contains(format.section(QLatin1Char(';'), 0, 0).trimmed().toLower());
}

// The locale's long time format (hours, minutes, seconds) without its
// time-zone name.
QString timeFormatWithoutZone(const QString& format)
{
    // 't' runs outside quotes are the zone; the blanks that separated a
    // removed field from the rest go with it.
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar ch = format.at(i);
        if (ch == QLatin1Char('\'')) {
            quoted = !quoted;
            result.append(ch);
            continue;
        }
        if (quoted || ch != QLatin1Char('t')) {
            result.append(ch);
            continue;
        }
        while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t'))
            ++i;
        if (!result.isEmpty() && result.back().isSpace()) {
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
        } else {
            while (i + 1 < format.size() && format.at(i + 1).isSpace())
                ++i;
        }
    }
    return result.trimmed();
}

// What a cut leaves on the clipboard beside its text: the current data except
// the other representations of text (plain, HTML, rich text), which programs
// that prefer them would otherwise paste instead of the cut text.
QMimeData* keptBesideText(const QMimeData* current)
{
    auto* data = new QMimeData;
    if (!current)
        return data;
    for (const QString& format : current->formats()) {
        if (isTextFormat(format))
            continue;
        // Qt's in-process image and colour entries are values, not bytes.
        if (format == imageFormat)
            data->setImageData(current->imageData());
        else if (format == colorFormat)
            data->setColorData(current->colorData());
        else
            data->setData(format, current->data(format));
    }
    return data;
}

} // namespace

EditCommands::EditCommands(CommandContext context)
    : m_context(std::move(context))
{
}

void EditCommands::mnuEditCut_Click()
{
    RichTextBox* editor = m_context.activeEditor();
    QClipboard* clipboard = m_context.clipboard;
    // The clipboard is not cleared first: a picture another program left
    // there stays beside the cut text.
    if (editor && clipboard) {
        QMimeData* data = keptBesideText(clipboard->mimeData(QClipboard::Clipboard));
        data->setText(editor->SelPlainText());
        clipboard->setMimeData(data, QClipboard::Clipboard);
    }
    if (editor)
        editor->setSelText(QString());
}

void EditCommands::mnuEditCopy_Click()
{
    QClipboard* clipboard = m_context.clipboard;
    if (!clipboard)
        return;
    clipboard->clear(QClipboard::Clipboard);
    if (RichTextBox* editor = m_context.activeEditor())
        clipboard->setText(editor->SelPlainText(), QClipboard::Clipboard);
}

void EditCommands::mnuEditPaste_Click()
{
    RichTextBox* editor = m_context.activeEditor();
    QClipboard* clipboard = m_context.clipboard;
    if (!editor || !clipboard)
        return;
    // A clipboard without text leaves the selection where it is rather than
    // replacing it with nothing.
    const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return;
    editor->setSelRTF(data->text());
}

void EditCommands::mnueditdelete_Click()
{
    if (RichTextBox* editor = m_context.activeEditor())
        editor->setSelText(QString());
}

// The whole text is selected by its plain length; the selection ends at the
// end of the text either way, and measuring the RTF source instead would mean
// writing out the whole document.
void EditCommands::mnueditselectall_Click()
{
    RichTextBox* editor = m_context.activeEditor();
    if (!editor)
        return;
    editor->setSelStart(0);
    editor->setSelLength(editor->textLength());
}

void EditCommands::mnuedittemedate_Click()
{
    RichTextBox* editor = m_context.activeEditor();
    if (!editor)
        return;
    // The time is read before the date.
    const QTime time = QTime::currentTime();
    const QDate date = QDate::currentDate();
    editor->setSelText(timeAndDate(QLocale(), time, date));
}

QString EditCommands::timeAndDate(const QLocale& locale, const QTime& time, const QDate& date)
{
    return locale.toString(time, timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)))
        + QStringLiteral("  ") + locale.toString(date, QLocale::ShortFormat);
}

void EditCommands::mnucontextcut_Click()
{
    mnuEditCut_Click();
}

void EditCommands::mnucontextcopy_Click()
{
    mnuEditCopy_Click();
}

void EditCommands::mnucontxtpaste_Click()
{
    mnuEditPaste_Click();
}

void EditCommands::mnucontextdelete_Click()
{
    mnueditdelete_Click();
}

void EditCommands::mnucontextselectall_Click()
{
    mnueditselectall_Click();
}
