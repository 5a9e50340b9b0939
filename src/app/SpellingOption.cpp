#include "app/SpellingOption.h"

#include "app/IniValues.h"
#include "platform/SpellChecker.h"

#include <QAction>

namespace {

const QString Section = QStringLiteral("Options");
const QString Key = QStringLiteral("SpellCheck");

} // namespace

SpellingOption::SpellingOption(QAction* mnutuningspellcheck, SpellChecker* checker, QObject* parent)
    : QObject(parent)
    , m_item(mnutuningspellcheck)
    , m_checker(checker)
{
    m_item->setCheckable(true);
    connect(m_item, &QAction::triggered, this, &SpellingOption::mnutuningspellcheck_Click);
    // A dictionary that fails to load may leave none.
    connect(checker, &SpellChecker::changed, this, &SpellingOption::showAvailability);
}

void SpellingOption::load()
{
    // Only "False" turns it off; anything else is the default.
    const bool on = ReadIniValue(SettingsFilePath(), Section, Key, QStringLiteral("None")) != QLatin1String("False");
    m_checker->setEnabled(on);
    showAvailability();
}

void SpellingOption::showAvailability()
{
    const bool available = m_checker && m_checker->isAvailable();
    m_item->setEnabled(available);
    m_item->setChecked(available && m_checker->isEnabled());
}

void SpellingOption::mnutuningspellcheck_Click()
{
    if (!m_checker || !m_checker->isAvailable())
        return;
    const bool on = !m_checker->isEnabled();
    m_checker->setEnabled(on);
    showAvailability();
    WriteIniValue(SettingsFilePath(), Section, Key, on ? QStringLiteral("True") : QStringLiteral("False"));
}
