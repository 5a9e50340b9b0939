#include "dialogs/frmSimbolSelect.h"

#include "dialogs/DialogGeometry.h"
#include "dialogs/SymbolTable.h"
#include "dialogs/WrappingButton.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new WrappingButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

frmSimbolSelect::frmSimbolSelect(const CommandContext& context, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frmSimbolSelect"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(UiTexts::SymbolCaption);
    DialogGeometry::useFormFont(this);
    DialogGeometry::makeFixed(this, 5130, 2745);

    SimbolText = new QPlainTextEdit(this);
    SimbolText->setObjectName(QStringLiteral("SimbolText"));
    QFont font = DialogGeometry::msSansSerif();
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    SimbolText->setFont(font);
    SimbolText->setLineWrapMode(QPlainTextEdit::NoWrap);
    SimbolText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SimbolText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SimbolText->setPlainText(SymbolTable::text());
    // Locked against typing, open to selecting with the mouse and the keys.
    SimbolText->setReadOnly(true);
    SimbolText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    SimbolText->setUndoRedoEnabled(false);

    Copy_clipboard = button(this, "Copy_clipboard", UiTexts::SymbolCopy);
    PasteInRTF = button(this, "PasteInRTF", UiTexts::SymbolInsert);
    CloseButton = button(this, "CloseButton", UiTexts::SymbolClose);

    DialogGeometry::place(SimbolText, 120, 120, 3255, 2535);
    DialogGeometry::place(Copy_clipboard, 3600, 240, 1455, 615);
    DialogGeometry::place(PasteInRTF, 3600, 1080, 1455, 615);
    DialogGeometry::place(CloseButton, 3600, 1920, 1455, 615);

    setTabOrder(SimbolText, Copy_clipboard);
    setTabOrder(Copy_clipboard, PasteInRTF);
    setTabOrder(PasteInRTF, CloseButton);
    SimbolText->setFocus();

    connect(Copy_clipboard, &QPushButton::clicked, this, &frmSimbolSelect::Copy_clipboard_Click);
    connect(PasteInRTF, &QPushButton::clicked, this, &frmSimbolSelect::PasteInRTF_Click);
    connect(CloseButton, &QPushButton::clicked, this, &frmSimbolSelect::CloseButton_Click);

    SimbolSelectTimer = new QTimer(this);
    SimbolSelectTimer->setObjectName(QStringLiteral("SimbolSelectTimer"));
    SimbolSelectTimer->setInterval(100);
    connect(SimbolSelectTimer, &QTimer::timeout, this, &frmSimbolSelect::SimbolSelectTimer_Timer);
    SimbolSelectTimer->start();
}

QString frmSimbolSelect::SelText() const
{
    return SymbolTable::selectionText(SimbolText->textCursor().selectedText());
}

void frmSimbolSelect::Copy_clipboard_Click()
{
    // Whatever goes wrong here goes unreported; the dialog stays as it is.
    if (m_context.clipboard)
        m_context.clipboard->setText(SelText());
}

void frmSimbolSelect::PasteInRTF_Click()
{
    if (RichTextBox* editor = m_context.activeEditor())
        editor->setSelRTF(SelText());
}

void frmSimbolSelect::CloseButton_Click()
{
    close();
}

void frmSimbolSelect::SimbolSelectTimer_Timer()
{
    const bool selected = SimbolText->textCursor().hasSelection();
    Copy_clipboard->setEnabled(selected);
    PasteInRTF->setEnabled(selected);
}
