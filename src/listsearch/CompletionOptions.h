#pragma once

#include <QObject>

class QAction;

// The tag completion options: the check marks of three items of the main
// window's menu, which are their only copy (not stored between runs). The
// document windows read them each time they need them.
class CompletionOptions : public QObject
{
    Q_OBJECT
public:
    CompletionOptions(QAction* mnuOptionsLower, QAction* mnuOptionsUpper, QAction* mnuOptionsComplete,
                      QObject* parent = nullptr);

    // Tag names in upper case (otherwise lower case).
    bool upperCase() const;
    // The closing tag is written too, with the caret between the tags.
    bool closingTag() const;

    void mnuOptionsComplete_Click();
    // Switches the case: both case items are reversed together, so exactly
    // one of them is checked.
    void mnuOptionsLower_Click();
    void mnuOptionsUpper_Click();

private:
    void connectClick(QAction* item, void (CompletionOptions::*handler)());

    QAction* m_lower;
    QAction* m_upper;
    QAction* m_complete;
};
