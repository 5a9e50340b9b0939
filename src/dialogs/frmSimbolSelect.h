#pragma once

#include "commands/CommandContext.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTimer;

// The modal symbol table: characters selected in it are copied to the
// clipboard or inserted at the active document's selection. Each opening
// builds it afresh; closing deletes it.
class frmSimbolSelect : public QDialog
{
    Q_OBJECT
public:
    explicit frmSimbolSelect(const CommandContext& context, QWidget* parent = nullptr);

    QPlainTextEdit* SimbolText = nullptr;
    QPushButton* Copy_clipboard = nullptr;
    QPushButton* PasteInRTF = nullptr;
    QPushButton* CloseButton = nullptr;
    QTimer* SimbolSelectTimer = nullptr;

    // The characters selected in the table, one "\n" where the selection
    // crosses the end of a row.
    QString SelText() const;

    void Copy_clipboard_Click();
    void PasteInRTF_Click();
    void CloseButton_Click();
    void SimbolSelectTimer_Timer();

private:
    CommandContext m_context;
};
