#include "dialogs/FindForm.h"

#include "dialogs/DialogGeometry.h"
#include "document/frmDocument.h"
#include "platform/MessageBox.h"
#include "texts/UiTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <limits>

namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = named(new QPushButton(caption, parent), name);
    // Enter belongs to "Найти далее" wherever the focus is.
    b->setAutoDefault(false);
    return b;
}

} // namespace

FindForm::FindForm(const CommandContext& context, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
    , m_search(context)
{
    setObjectName(QStringLiteral("FindForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(UiTexts::FindCaption);
    DialogGeometry::useFormFont(this);
    DialogGeometry::makeFixed(this, 7185, 1560);

    Exit = button(this, "Exit", UiTexts::FindClose);
    Replace = button(this, "Replace", UiTexts::FindReplaceButton);
    Text1 = named(new QLineEdit(this), "Text1");
    Text2 = named(new QLineEdit(this), "Text2");
    // Any length: a pasted text is never cut short (QLineEdit's default
    // stops at 32,767 characters without a word).
    for (QLineEdit* field : {Text1, Text2})
        field->setMaxLength(std::numeric_limits<int>::max());
    Label1 = named(new QLabel(UiTexts::FindLabel, this), "Label1");
    Label2 = named(new QLabel(UiTexts::FindReplaceLabel, this), "Label2");
    findButton = button(this, "findButton", UiTexts::FindButton);
    Check1 = named(new QCheckBox(UiTexts::FindMatchCase, this), "Check1");
    FindNext = button(this, "FindNext", UiTexts::FindNextButton);
    ReplaceAll = button(this, "ReplaceAll", UiTexts::FindReplaceAllButton);
    FindNext->setDefault(true);

    DialogGeometry::place(Exit, 5880, 1080, 1215, 375);
    DialogGeometry::place(Replace, 4560, 600, 1215, 375);
    DialogGeometry::place(Text1, 1440, 160, 2895, 315);
    DialogGeometry::place(Text2, 1440, 600, 2895, 315);
    DialogGeometry::place(Label1, 240, 240, 1095, 255);
    DialogGeometry::place(Label2, 240, 600, 1095, 255);
    DialogGeometry::place(findButton, 4560, 120, 1215, 375);
    DialogGeometry::place(Check1, 1440, 1080, 2415, 375);
    DialogGeometry::place(FindNext, 5880, 120, 1215, 375);
    DialogGeometry::place(ReplaceAll, 5880, 600, 1215, 375);

    // Labels take no focus; the rest go round in this order.
    setTabOrder(Exit, Replace);
    setTabOrder(Replace, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, findButton);
    setTabOrder(findButton, Check1);
    setTabOrder(Check1, FindNext);
    setTabOrder(FindNext, ReplaceAll);

    connect(findButton, &QPushButton::clicked, this, &FindForm::findButton_Click);
    connect(FindNext, &QPushButton::clicked, this, &FindForm::FindNext_Click);
    connect(Replace, &QPushButton::clicked, this, &FindForm::Replace_Click);
    connect(ReplaceAll, &QPushButton::clicked, this, &FindForm::ReplaceAll_Click);
    connect(Exit, &QPushButton::clicked, this, &FindForm::Exit_Click);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &FindForm::Timer1_Timer);
    Timer1->start();
}

void FindForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Whoever opens the dialog means to type what to find.
    Text1->setFocus();
}

Qt::CaseSensitivity FindForm::caseRule() const
{
    return Check1->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

void FindForm::afterSearch(FindReplace::Outcome outcome, const QString& notFoundMessage)
{
    if (outcome == FindReplace::Outcome::NotFound) {
        MsgBox(this, notFoundMessage);
    } else if (outcome == FindReplace::Outcome::Found) {
        // The document takes the focus so that its selection shows.
        if (frmDocument* document = m_context.ActiveForm()) {
            document->activateWindow();
            document->setFocus();
        }
    }
}

void FindForm::findButton_Click()
{
    afterSearch(m_search.find(Text1->text(), caseRule()), UiTexts::FindNotFoundFromStart);
}

void FindForm::FindNext_Click()
{
    afterSearch(m_search.findNext(Text1->text(), caseRule()), UiTexts::FindNotFound);
}

void FindForm::Replace_Click()
{
    afterSearch(m_search.replace(Text1->text(), Text2->text(), caseRule()), UiTexts::FindNotFound);
}

void FindForm::ReplaceAll_Click()
{
    if (m_search.replaceAll(Text1->text(), Text2->text(), caseRule()) == FindReplace::Outcome::Replaced)
        MsgBox(this, UiTexts::FindReplaceAllDone);
}

void FindForm::Exit_Click()
{
    hide();
    close();
}

void FindForm::Timer1_Timer()
{
    const bool canFind = !Text1->text().isEmpty();
    const bool canReplace = canFind && !Text2->text().isEmpty();
    findButton->setEnabled(canFind);
    FindNext->setEnabled(canFind);
    Replace->setEnabled(canReplace);
    ReplaceAll->setEnabled(canReplace);
}
