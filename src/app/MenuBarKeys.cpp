#include "app/MenuBarKeys.h"

#include "platform/ProgramStyle.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStyle>

#include <map>

namespace {

// The keys of the Russian layout's capitals, in the Latin layout.
const QString russianKeys = QStringLiteral("ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ");
const QString latinKeys = QStringLiteral("QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.");

QChar latinKeyFor(QChar cyrillic)
{
    const qsizetype at = russianKeys.indexOf(cyrillic);
    return at >= 0 ? latinKeys.at(at) : QChar();
}

// A typed letter as the Cyrillic capital of its key.
QChar cyrillicFor(QChar typed)
{
    const QChar upper = typed.toUpper();
    const qsizetype at = latinKeys.indexOf(upper);
    return at >= 0 ? russianKeys.at(at) : upper;
}

// Opens the menu with its first item chosen, so Enter and the arrows start
// there, as when a menu is opened by its access key.
void openMenu(QMenuBar* bar, QAction* menu)
{
    bar->setActiveAction(menu);
    for (QAction* item : menu->menu()->actions()) {
        if (item->isVisible() && item->isEnabled() && !item->isSeparator()) {
            menu->menu()->setActiveAction(item);
            break;
        }
    }
}

QList<QAction*> visibleMenus(const QMenuBar* bar)
{
    QList<QAction*> menus;
    for (QAction* action : bar->actions()) {
        if (action->isVisible() && action->menu() && !action->text().isEmpty())
            menus.append(action);
    }
    return menus;
}

} // namespace

MenuBarKeys::MenuBarKeys(QMenuBar* bar)
    : QObject(bar)
    , m_bar(bar)
{
    // The menu bar's own keyboard mode is the style's to decide: the
    // program's style turns it on (the application has it when started as
    // the program; the bar gets its own otherwise).
    if (!bar->style()->styleHint(QStyle::SH_MenuBar_AltKeyNavigation, nullptr, bar)) {
        auto* style = new ProgramStyle;
        style->setParent(this);
        bar->setStyle(style);
    }

    QWidget* window = bar->window();
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    connect(f10, &QShortcut::activated, this, [this] {
        const QList<QAction*> menus = visibleMenus(m_bar);
        if (!menus.isEmpty())
            openMenu(m_bar, menus.first());
    });

    std::map<char16_t, bool> letters;
    for (QAction* menu : visibleMenus(bar)) {
        letters[menu->text().at(0).toUpper().unicode()] = true;
        // An open menu has the keyboard: Alt with a letter moves on from it.
        menu->menu()->installEventFilter(this);
        // Alt pressed over an open menu closes it before the letter arrives;
        // the letter still moves on from the menu it closed.
        connect(menu->menu(), &QMenu::aboutToHide, this, [this, menu] {
            m_lastClosed = menu;
            m_lastClosedAt.start();
        });
    }
    for (const auto& [letter, unused] : letters) {
        Q_UNUSED(unused);
        const QChar upper(letter);
        QList<QKeySequence> keys{QKeySequence(Qt::ALT | int(upper.unicode()))};
        if (const QChar latin = latinKeyFor(upper); !latin.isNull())
            keys.append(QKeySequence(Qt::ALT | int(latin.unicode())));
        for (const QKeySequence& key : keys) {
            auto* shortcut = new QShortcut(key, window);
            connect(shortcut, &QShortcut::activated, this, [this, upper] { openMenuStartingWith(upper); });
        }
    }
}

bool MenuBarKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::AltModifier) && key->text().size() == 1
            && openMenuStartingWith(cyrillicFor(key->text().at(0))))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

bool MenuBarKeys::openMenuStartingWith(QChar letter)
{
    QList<QAction*> matching;
    for (QAction* menu : visibleMenus(m_bar)) {
        if (menu->text().at(0).toUpper() == letter.toUpper())
            matching.append(menu);
    }
    if (matching.isEmpty())
        return false;
    QAction* open = m_bar->activeAction();
    if (!open && m_lastClosedAt.isValid() && m_lastClosedAt.elapsed() < 500)
        open = m_lastClosed;
    openMenu(m_bar, matching.at((matching.indexOf(open) + 1) % matching.size()));
    return true;
}
