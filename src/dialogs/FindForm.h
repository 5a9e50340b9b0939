#pragma once

#include "commands/CommandContext.h"
#include "dialogs/FindReplace.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The modeless find and replace dialog. It keeps no document: each command
// works on the document that is active when it runs. Closing it (Закрыть,
// Escape, the title bar) deletes it, and with it the fields and FindPos.
class FindForm : public QDialog
{
    Q_OBJECT
public:
    explicit FindForm(const CommandContext& context, QWidget* parent = nullptr);

    qsizetype FindPos() const { return m_search.FindPos(); }

    void findButton_Click();
    void FindNext_Click();
    void Replace_Click();
    void ReplaceAll_Click();
    void Exit_Click();
    void Timer1_Timer();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Qt::CaseSensitivity caseRule() const;
    void afterSearch(FindReplace::Outcome outcome, const QString& notFoundMessage);

    // The controls, found by these object names.
    QPushButton* Exit = nullptr;
    QPushButton* Replace = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* findButton = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* FindNext = nullptr;
    QPushButton* ReplaceAll = nullptr;
    QTimer* Timer1 = nullptr;

    CommandContext m_context;
    FindReplace m_search;
};
