#include "listsearch/CompletionOptions.h"

#include <QAction>

CompletionOptions::CompletionOptions(QAction* mnuOptionsLower, QAction* mnuOptionsUpper,
                                     QAction* mnuOptionsComplete, QObject* parent)
    : QObject(parent)
    , m_lower(mnuOptionsLower)
    , m_upper(mnuOptionsUpper)
    , m_complete(mnuOptionsComplete)
{
    setObjectName(QStringLiteral("CompletionOptions"));
    connectClick(m_lower, &CompletionOptions::mnuOptionsLower_Click);
    connectClick(m_upper, &CompletionOptions::mnuOptionsUpper_Click);
    connectClick(m_complete, &CompletionOptions::mnuOptionsComplete_Click);
}

// A checkable item has already reversed its own check mark when it reports
// the click; that is undone first, so the handler alone decides the marks.
void CompletionOptions::connectClick(QAction* item, void (CompletionOptions::*handler)())
{
    connect(item, &QAction::triggered, this, [this, item, handler](bool checked) {
        item->setChecked(!checked);
        (this->*handler)();
    });
}

bool CompletionOptions::upperCase() const
{
    return m_upper->isChecked();
}

bool CompletionOptions::closingTag() const
{
    return m_complete->isChecked();
}

void CompletionOptions::mnuOptionsComplete_Click()
{
    m_complete->setChecked(!m_complete->isChecked());
}

void CompletionOptions::mnuOptionsLower_Click()
{
    m_lower->setChecked(!m_lower->isChecked());
    m_upper->setChecked(!m_upper->isChecked());
}

void CompletionOptions::mnuOptionsUpper_Click()
{
    mnuOptionsLower_Click();
}
