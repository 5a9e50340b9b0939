#pragma once

#include "platform/ParagraphAlignment.h"
#include "platform/SpellWordScanner.h"
#include "platform/TextFileFormat.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <QTextEdit>

#include <optional>

class LazyDocumentLayout;
class QMimeData;
class QPrinter;
class SpellChecker;
class SpellMarks;

// The document editor: a QTextEdit that speaks the editor's own vocabulary
// (Text, SelStart, SelBold, LoadFile, ...) so that the windows and commands
// can treat it as the one rich-text control they were written against.
//
// Positions: Text() holds one "\n" per paragraph or line break, so a position
// in Text() is the same number as SelStart() (one character per break). In a
// table a cell's text follows a "\t" after the cell before it in its row, and
// a "\n" after the row before; a picture or a kept RTF element is its one
// object character (U+FFFC).
//
// Typed characters (the KeyPress signal): printable text, Tab (9) and
// Enter (13). Backspace, Delete, Escape and Ctrl or Alt combinations are
// editing or command keys, not typed characters; an Alt combination (without
// Ctrl, so AltGr still types) is left to the window's menus and inserts
// nothing. Committed input-method text counts as typed too.
class RichTextBox : public QTextEdit
{
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    QString Text() const;
    void setText(const QString& text);  // replaces everything with plain text
    qsizetype textLength() const;       // length of Text() without building it

    QByteArray TextRTF() const;
    void setTextRTF(const QByteArray& rtf);  // bytes that are not RTF load as plain text

    // The selection as the clipboard's text: table cells separated by tabs,
    // rows by line ends, pictures and kept RTF elements as nothing. Unlike
    // SelText(), positions in it are not the editor's positions.
    QString SelPlainText() const;
    // The selection as RTF, with the pictures, tables and kept elements in
    // it; setSelRTF() of it elsewhere brings them all.
    QByteArray SelRTF() const;

    qsizetype SelStart() const;
    void setSelStart(qsizetype start);  // collapses the selection to a caret, clamped to the text
    qsizetype SelLength() const;
    void setSelLength(qsizetype length);  // from SelStart; clamped to the end, negative gives 0
    QString SelText() const;
    void setSelText(const QString& text);  // caret after the new text; "\n" starts a paragraph
    bool isSelectionEmpty() const;

    // Replaces the selection with RTF; bytes that are not RTF are decoded as
    // a plain-text file would be and inserted as text.
    void setSelRTF(const QByteArray& data);
    // The same for text (the clipboard, a dialog): RTF source is read as RTF,
    // anything else is inserted as it stands.
    void setSelRTF(const QString& text);

    // Tri-state reads: a value when the whole selection (or, without one, the
    // caret's typing format) agrees, nullopt when it is mixed.
    std::optional<bool> SelBold() const;
    void setSelBold(bool bold);
    std::optional<bool> SelItalic() const;
    void setSelItalic(bool italic);
    std::optional<bool> SelUnderline() const;
    void setSelUnderline(bool underline);
    std::optional<bool> SelStrikeThru() const;
    void setSelStrikeThru(bool strike);

    // 0 left, 1 right, 2 centre (ParagraphAlignment) over the paragraphs the
    // selection touches. Justified paragraphs are none of the three, so any of
    // them gives nullopt. Setting a value other than 0, 1 or 2 changes nothing.
    std::optional<int> SelAlignment() const;
    void setSelAlignment(int alignment);

    // What the toolbar shows of the selection: each member as its own Sel...
    // property reads it, all found in one walk over the selection, which
    // stops as soon as all four styles are known to be mixed.
    struct Formatting
    {
        std::optional<bool> bold;
        std::optional<bool> italic;
        std::optional<bool> underline;
        std::optional<bool> strikeThru;
        std::optional<int> alignment;
    };
    Formatting SelFormatting() const;

    std::optional<QString> SelFontName() const;
    void setSelFontName(const QString& family);
    std::optional<float> SelFontSize() const;
    void setSelFontSize(float points);
    std::optional<QColor> SelColor() const;  // text without a colour of its own reads as the palette's text colour
    void setSelColor(const QColor& color);

    // A file whose content starts with "{\rtf" loads as RTF whatever its name;
    // anything else loads as plain text. On failure the document is unchanged
    // and errorMessage says why, in Russian.
    bool LoadFile(const QString& path, QString* errorMessage = nullptr);
    // Writes RTF through a temporary file, so a failed save leaves an
    // existing file as it was. A document saved whole has no unsaved
    // changes any more (its document's modified flag is cleared).
    bool SaveFile(const QString& path, QString* errorMessage = nullptr);

    // What the document's plain-text file was (encoding, byte-order mark,
    // line ends), found when it was loaded; plain-text saves write it back.
    // New documents and RTF ones: UTF-8 with LF and no mark.
    const TextFileFormat& textFileFormat() const { return m_fileFormat; }
    void setTextFileFormat(const TextFileFormat& format) { m_fileFormat = format; }
    // The text as a plain-text file holds it: each paragraph ended by the
    // file's line end (or the one its line had in the file), the last one
    // without; line breaks within a paragraph as the file's line end; table
    // cells separated by tabs, rows by line ends, pictures and kept RTF
    // elements as nothing (PlainTextExport).
    QString fileText() const;

    // The selection, or the whole document when nothing is selected, with
    // its formatting. The editor's own document is not touched.
    void SelPrint(QPrinter* printer);

    // Line length in twips; 0 or less wraps at the editor's edge.
    void setRightMargin(int twips);
    int rightMargin() const;

    // The format new text gets in an empty editor: Times New Roman 14.25 pt.
    static QTextCharFormat defaultCharFormat();
    static QString defaultFamily();

    // Misspelt words get a red wavy line, drawn by the layout and never part
    // of the document. nullptr (the start) draws none.
    void setSpellChecker(SpellChecker* checker);
    SpellChecker* spellChecker() const;
    // The misspelt word at (or just before) a position: its start and length.
    std::optional<SpellWordScanner::Word> misspeltWordAt(qsizetype position) const;
    // Replaces length characters from start by text as one undo step, the
    // caret after it. Only the characters that differ are replaced, so the
    // others keep their formats, and new ones take the format of the first
    // character they replace (or of the one before them).
    void replaceWord(qsizetype start, qsizetype length, const QString& text);

signals:
    void KeyPress(int& keyAscii);  // before insertion; 0 cancels, another code replaces the character
    // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; x, y
    // in pixels of the text area
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void SelChange();
    void overwriteModeChanged(bool overwrite);
    // The keyboard asked for the context menu: the menu key or Shift+F10.
    void ContextMenuKey();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Drag and drop, the X11 selection and QTextEdit's own copy and paste
    // carry plain text only, as the clipboard commands do.
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Keys of the clipboard and select-all commands (Ctrl+X/C/V/A, Shift+Del,
    // Ctrl+Ins, Shift+Ins and the platform's other bindings of them). The
    // editor leaves them to the window's Edit menu, so they run its commands
    // and, while an item is disabled, do nothing.
    static bool isEditCommandKey(const QKeyEvent* event);
    template <typename Visit>
    void forEachSelectedRun(const QTextCursor& cursor, Visit visit) const;
    template <typename T, typename Read>
    std::optional<T> uniformChar(Read read) const;
    void replaceContent(const QString* plain, const QByteArray* rtf);
    void loadPlainText(const QByteArray& bytes);
    void giveFileLineEnds(int firstBlock, int lastBlock);
    enum class Typed { Unchanged, Changed, Destroyed };
    Typed runKeyPress(const QString& typed, QString* result);
    void insertTyped(const QString& text);
    void emitSelChangeIfMoved();
    void layOutView();
    void postViewLayout();

    LazyDocumentLayout* m_layout = nullptr;
    SpellMarks* m_spellMarks = nullptr;
    TextFileFormat m_fileFormat;
    bool m_ownLineEnds = false;  // some paragraphs carry the line end their line had in the file
    int m_rightMarginTwips = 0;
    int m_lastPosition = -1;
    int m_lastAnchor = -1;
    bool m_replacing = false;  // whole-document loads report one SelChange at the end
    bool m_layingOutView = false;
    bool m_viewLayoutPosted = false;
    bool m_menuKeyHasEvent = false;  // the window system turns the menu key into a context-menu event
};
