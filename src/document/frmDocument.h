#pragma once

#include "platform/RichTextBox.h"

#include <QWidget>

class CommonDialog;
class CompletionOptions;
class ListSearch;

// One document window: an editor with a 100-twip border, its caption (the
// document's name or file path) and the save prompt on close. It knows
// nothing of the main window: it says through signals what the toolbar
// should show and when the context menu is wanted, and is handed the tag
// completion options.
class frmDocument : public QWidget
{
    Q_OBJECT
public:
    explicit frmDocument(QWidget* parent = nullptr);

    RichTextBox* rtfText = nullptr;
    CommonDialog* dlgCommonDialog = nullptr;
    ListSearch* lsMain = nullptr; // the tag completion list, hidden until "<" is typed

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }
    // A document that was never loaded from or saved to a file.
    bool isUntitled() const { return m_untitled; }
    // The file the last close prompt saved the document to; empty when that
    // prompt saved nothing.
    QString promptSavedPath() const { return m_promptSavedPath; }
    // The options tag completion reads each time; without them tags are
    // written in lower case and closed.
    void setCompletionOptions(const CompletionOptions* options) { m_completionOptions = options; }

    void Form_Load();
    void Form_Resize();
    void Form_Unload(bool& cancel);
    void rtfText_SelChange();
    void rtfText_Change(int from, int removed, int added);
    void rtfText_MouseUp(int button, int shift, int x, int y);
    void rtfText_MouseDown(int button, int shift, int x, int y);
    void rtfText_ContextMenuKey();
    void rtfText_KeyPress(int& keyAscii);
    void lsMain_Done(const QString& name);
    void lsMain_Escape();

    QSize sizeHint() const override;

signals:
    // The selection changed: the formatting the toolbar shows for it.
    void formattingChanged(const RichTextBox::Formatting& formatting);
    // The editor's context menu is wanted at globalPos (screen pixels), for
    // the text at position: where the right button was let go, or at the
    // caret for the menu key and Shift+F10.
    void contextMenuWanted(const QPoint& globalPos, qsizetype position);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int twipsToPixels(int twips) const;
    bool saveFromPrompt();

    bool m_untitled = false; // follows the caption, read on every refresh tick
    QString m_promptSavedPath;
    const CompletionOptions* m_completionOptions = nullptr;
    bool m_formattingPosted = false;
};
