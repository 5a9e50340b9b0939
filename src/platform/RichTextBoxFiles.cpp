#include "platform/RichTextBox.h"

#include "platform/AtomicFile.h"
#include "platform/LazyDocumentLayout.h"
#include "platform/LineEnds.h"
#include "platform/PrintPages.h"
#include "platform/ReadableFile.h"
#include "platform/TextCodec.h"
#include "rtf/PlainTextExport.h"
#include "rtf/RtfDocumentData.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

// --- RTF ----------------------------------------------------------------------

QByteArray RichTextBox::TextRTF() const
{
    return RtfWriter::write(document());
}

QByteArray RichTextBox::SelRTF() const
{
    return RtfWriter::write(textCursor());
}

QString RichTextBox::SelPlainText() const
{
    return PlainTextExport::text(textCursor());
}

void RichTextBox::setTextRTF(const QByteArray& rtf)
{
    if (RtfReader::isRtf(rtf)) {
        replaceContent(nullptr, &rtf);
        m_fileFormat = TextFileFormat::newDocument();
        m_ownLineEnds = false;
    } else {
        loadPlainText(rtf);
    }
}

// The file's encoding, mark and line ends are kept for the saves to come;
// lines that ended otherwise than most carry their own end on their paragraph.
void RichTextBox::loadPlainText(const QByteArray& bytes)
{
    TextFileFormat format = TextCodec::detect(bytes);
    LineEnds::Split lines = LineEnds::split(TextCodec::decode(bytes, format));
    format.lineEnd = lines.majority;
    replaceContent(&lines.text, nullptr);
    m_fileFormat = format;
    m_ownLineEnds = !lines.others.empty();
    if (lines.others.empty())
        return;
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const auto& [line, end] : lines.others) {
        cursor.setPosition(doc->findBlockByNumber(int(line)).position());
        QTextBlockFormat own;
        own.setProperty(LineEnds::BlockProperty, int(end));
        cursor.mergeBlockFormat(own);
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
}

// A paragraph split by typing or pasting copies its line end to both
// halves; the break that was typed, and any before it in the typed text,
// end as the file's lines do. The last paragraph keeps the end its line had.
void RichTextBox::giveFileLineEnds(int firstBlock, int lastBlock)
{
    QTextBlock block = document()->findBlockByNumber(firstBlock);
    for (int number = firstBlock; number < lastBlock && block.isValid(); ++number, block = block.next()) {
        if (!block.blockFormat().hasProperty(LineEnds::BlockProperty))
            continue;
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.clearProperty(LineEnds::BlockProperty);
        cursor.setBlockFormat(format);
    }
}

QString RichTextBox::fileText() const
{
    const QTextDocument* doc = document();
    // Breaks whose line ended otherwise in the file, by their position in
    // the raw text; looked for only in documents loaded with such lines.
    std::vector<std::pair<int, TextFileFormat::LineEnd>> own;
    if (m_ownLineEnds) {
        for (QTextBlock block = doc->begin(); block.isValid() && block.next().isValid(); block = block.next()) {
            const QVariant end = block.blockFormat().property(LineEnds::BlockProperty);
            if (end.isValid())
                own.emplace_back(block.position() + block.length() - 1, TextFileFormat::LineEnd(end.toInt()));
        }
    }
    const QStringView fileEnd = LineEnds::text(m_fileFormat.lineEnd);
    const QString raw = doc->toRawText();
    // Tables, pictures and kept RTF elements: cells on tab-separated lines,
    // the rest as nothing.
    if (!doc->rootFrame()->childFrames().isEmpty() || raw.contains(QChar::ObjectReplacementCharacter)) {
        QString text = PlainTextExport::text(doc);
        if (fileEnd != u"\n")
            text.replace(QLatin1Char('\n'), fileEnd.toString());
        return text;
    }
    QString text;
    text.reserve(raw.size() + doc->blockCount() * (fileEnd.size() - 1));
    size_t next = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        switch (raw.at(i).unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0:  // frame marks
        case 0xFDD1:
            text += QStringView(raw).sliced(from, i - from);
            if (next < own.size() && own[next].first == i)
                text += LineEnds::text(own[next++].second);
            else
                text += fileEnd;
            from = i + 1;
            break;
        default:
            break;
        }
    }
    text += QStringView(raw).sliced(from);
    return text;
}

// Replaces the whole document without an undo step; afterwards there is
// nothing to undo and the caret stands at the start.
void RichTextBox::replaceContent(const QString* plain, const QByteArray* rtf)
{
    QTextDocument* doc = document();
    m_replacing = true;
    doc->setUndoRedoEnabled(false);
    if (rtf) {
        RtfReader::read(*rtf, doc);
    } else {
        doc->clear();
        RtfDocumentData::remove(doc);  // nothing of an RTF file read before
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        cursor.setBlockCharFormat(defaultCharFormat());
        cursor.insertText(*plain, defaultCharFormat());
        cursor.endEditBlock();
    }
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    // A fresh caret: typing at the start takes the format of the first
    // character, not whatever format the editor held before.
    setTextCursor(QTextCursor(doc));
    if (doc->isEmpty())
        setCurrentCharFormat(defaultCharFormat());
    ensureCursorVisible();
    layOutView();  // the first paint shows the new text
    m_replacing = false;
    // The caret may not have moved, but everything under it has.
    m_lastPosition = -1;
    emitSelChangeIfMoved();
}

void RichTextBox::setSelRTF(const QByteArray& data)
{
    if (!RtfReader::isRtf(data)) {
        setSelText(TextCodec::decode(data));
        return;
    }
    QTextCursor cursor = textCursor();
    RtfReader::insert(data, cursor);
    setTextCursor(cursor);
}

void RichTextBox::setSelRTF(const QString& text)
{
    if (!text.startsWith(QLatin1String("{\\rtf"))) {
        setSelText(text);
        return;
    }
    // RTF source is 7-bit; characters beyond that came from text decoded
    // before it reached us, so they go back in as Unicode escapes.
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            bytes.append(char(ch.unicode()));
        else
            bytes.append("\\u").append(QByteArray::number(qint16(ch.unicode()))).append('?');
    }
    setSelRTF(bytes);
}

// --- files and printing -----------------------------------------------------

bool RichTextBox::LoadFile(const QString& path, QString* errorMessage)
{
    const QString problem = ReadableFile::problem(path);
    QFile file(path);
    if (!problem.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        if (errorMessage)
            *errorMessage = problem.isEmpty() ? ReadableFile::problem(path) : problem;
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (errorMessage)
            *errorMessage = QStringLiteral("Не удалось прочитать файл «%1»: %2.")
                                .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    file.close();
    // The content decides, not the name: ".txt" files may hold RTF and
    // ".rtf" files plain text.
    setTextRTF(data);
    return true;
}

bool RichTextBox::SaveFile(const QString& path, QString* errorMessage)
{
    if (!AtomicFile::write(path, TextRTF(), errorMessage))
        return false;
    document()->setModified(false);
    return true;
}

void RichTextBox::SelPrint(QPrinter* printer)
{
    if (!printer)
        return;
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection()) {
        PrintPages(*document(), printer);
        return;
    }
    // A copy cut down to the selection keeps the formats of its characters
    // and paragraphs, and the pictures' bytes; given the editor's handlers,
    // its markers print as the whole document's do.
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setDefaultFont(document()->defaultFont());
    m_layout->shareObjectHandlers(copy->documentLayout());
    QTextCursor cut(copy.get());
    cut.setPosition(selection.selectionEnd());
    cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    cut.setPosition(0);
    cut.setPosition(selection.selectionStart(), QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    PrintPages(*copy, printer);
}

