#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class SpellChecker;

// "Проверка орфографии" in the Settings menu: checked while spelling is on,
// which it is unless pergalot.ini says [Options] SpellCheck=False. Each click
// is written there at once. Without an installed dictionary the item is
// disabled and unchecked, and the stored choice is left as it is.
class SpellingOption : public QObject
{
    Q_OBJECT
public:
    SpellingOption(QAction* mnutuningspellcheck, SpellChecker* checker, QObject* parent = nullptr);

    // The stored choice, read at start-up.
    void load();
    void mnutuningspellcheck_Click();

private:
    void showAvailability();

    QAction* m_item;
    QPointer<SpellChecker> m_checker;
};
