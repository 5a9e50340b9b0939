#include "app/MainMenu.h"

#include "texts/UiTexts.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

// The item's own key first, then the other keys editors use for the same
// command (the platform's bindings and the Shift+Del, Ctrl+Ins, Shift+Ins
// family), so that every one of them runs this item.
void addAlternativeKeys(QAction* item, QKeySequence::StandardKey standard, const QKeySequence& alternative)
{
    QList<QKeySequence> keys{item->shortcut()};
    for (const QKeySequence& key : QKeySequence::keyBindings(standard) + QList<QKeySequence>{alternative}) {
        if (!key.isEmpty() && !keys.contains(key))
            keys.append(key);
    }
    item->setShortcuts(keys);
}

} // namespace

MainMenu::MainMenu(QMenuBar* bar)
    : QObject(bar)
{
    setObjectName(QStringLiteral("MainMenu"));

    mnufile = addMenu(bar, "mnufile", QStringLiteral("Фаил"));
    mnuFileNew = addItem(mnufile, "mnuFileNew", QStringLiteral("&Создать"), QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen = addItem(mnufile, "mnuFileOpen", QStringLiteral("&Открыть"), QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileBar0 = addSeparator(mnufile, "mnuFileBar0");
    mnuFileSave = addItem(mnufile, "mnuFileSave", QStringLiteral("&Сохранить"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFileSaveAs = addItem(mnufile, "mnuFileSaveAs", QStringLiteral("&Сохранить как..."));
    mnuFileBar1 = addSeparator(mnufile, "mnuFileBar1");
    mnuFilePageSetup = addItem(mnufile, "mnuFilePageSetup", QStringLiteral("Параметры страницы..."));
    mnuFilePrint = addItem(mnufile, "mnuFilePrint", QStringLiteral("&Печать..."), QKeySequence(Qt::CTRL | Qt::Key_P));
    separator4 = addSeparator(mnufile, "separator4");
    mnufiledelete = addItem(mnufile, "mnufiledelete", QStringLiteral("Удалить"));
    mnuFileBar3 = addSeparator(mnufile, "mnuFileBar3");
    mnuFileExit = addItem(mnufile, "mnuFileExit", QStringLiteral("&Выход"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    mnuedit = addMenu(bar, "mnuedit", QStringLiteral("Правка"));
    mnuEditCut = addItem(mnuedit, "mnuEditCut", QStringLiteral("&Вырезать"), QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuEditCopy = addItem(mnuedit, "mnuEditCopy", QStringLiteral("&Копировать"), QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuEditPaste = addItem(mnuedit, "mnuEditPaste", QStringLiteral("&Вставить"), QKeySequence(Qt::CTRL | Qt::Key_V));
    mnueditdelete = addItem(mnuedit, "mnueditdelete", QStringLiteral("Удалить"));
    separator0 = addSeparator(mnuedit, "separator0");
    mnueditselectall = addItem(mnuedit, "mnueditselectall", QStringLiteral("Выделить все"), QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuedittemedate = addItem(mnuedit, "mnuedittemedate", QStringLiteral("Дата/время "), QKeySequence(Qt::Key_F5));
    mnueditsimbol = addItem(mnuedit, "mnueditsimbol", QStringLiteral("Символ..."));
    separator1 = addSeparator(mnuedit, "separator1");
    mnueditfind = addItem(mnuedit, "mnueditfind", QStringLiteral("Найти..."), QKeySequence(Qt::Key_F3));
    addAlternativeKeys(mnuEditCut, QKeySequence::Cut, QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    addAlternativeKeys(mnuEditCopy, QKeySequence::Copy, QKeySequence(Qt::CTRL | Qt::Key_Insert));
    addAlternativeKeys(mnuEditPaste, QKeySequence::Paste, QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    addAlternativeKeys(mnueditselectall, QKeySequence::SelectAll, QKeySequence());

    mnuview = addMenu(bar, "mnuview", QStringLiteral("Вид"));
    mnuViewToolbar = addItem(mnuview, "mnuViewToolbar", QStringLiteral("Панель инструментов"));
    mnuViewStatusBar = addItem(mnuview, "mnuViewStatusBar", QStringLiteral("Панель статуса"));
    for (QAction* item : {mnuViewToolbar, mnuViewStatusBar}) {
        item->setCheckable(true);
        item->setChecked(true);
    }

    mnutuning = addMenu(bar, "mnutuning", QStringLiteral("Настройка"));
    mnutuningfont = addItem(mnutuning, "mnutuningfont", QStringLiteral("&Шрифт"));
    mnutuningfontcolor = addItem(mnutuning, "mnutuningfontcolor", QStringLiteral("Цвет шрифта"));
    mnutuningbaro = addSeparator(mnutuning, "mnutuningbaro");
    mnutuningcapsenabled = addItem(mnutuning, "mnutuningcapsenabled", QStringLiteral("Верхний регистр"));
    mnutuningcapsdisabled = addItem(mnutuning, "mnutuningcapsdisabled", QStringLiteral("Нижний регистр"));

    mnuwindow = addMenu(bar, "mnuwindow", QStringLiteral("Окно"));
    mnuWindowNewWindow = addItem(mnuwindow, "mnuWindowNewWindow", QStringLiteral("Новое окно"));
    mnuWindowBar0 = addSeparator(mnuwindow, "mnuWindowBar0");
    mnuwindowmakeselectMenu = mnuwindow->addMenu(QStringLiteral("Упорядочить"));
    mnuwindowmakeselectMenu->setObjectName(QStringLiteral("mnuwindowmakeselect"));
    mnuwindowmakeselect = mnuwindowmakeselectMenu->menuAction();
    mnuwindowmakeselect->setObjectName(QStringLiteral("mnuwindowmakeselect"));
    mnuWindowCascade = addItem(mnuwindowmakeselectMenu, "mnuWindowCascade", QStringLiteral("Каскад"));
    mnuWindowTileHorizontal = addItem(mnuwindowmakeselectMenu, "mnuWindowTileHorizontal", QStringLiteral("Горизонтально"));
    mnuWindowTileVertical = addItem(mnuwindowmakeselectMenu, "mnuWindowTileVertical", QStringLiteral("Вертикально"));

    mnuhelp = addMenu(bar, "mnuhelp", QStringLiteral("Помощь"));
    mnuhelpHelp = addItem(mnuhelp, "mnuhelpHelp", QStringLiteral("Справка"), QKeySequence(Qt::Key_F1));
    mnuhelpbar0 = addSeparator(mnuhelp, "mnuhelpbar0");
    mnuHelpAbout = addItem(mnuhelp, "mnuHelpAbout", QStringLiteral("О &программе"));

    // Pop-up menus: in the menu bar but never shown there.
    mnucontext = addMenu(bar, "mnucontext", QString());
    mnucontext->menuAction()->setVisible(false);
    mnucontextcut = addItem(mnucontext, "mnucontextcut", QStringLiteral("Вырезать"));
    mnucontextcopy = addItem(mnucontext, "mnucontextcopy", QStringLiteral("Копировать"));
    mnucontxtpaste = addItem(mnucontext, "mnucontxtpaste", QStringLiteral("Вставить"));
    mnucontextdelete = addItem(mnucontext, "mnucontextdelete", QStringLiteral("Удалить"));
    mnucontextbar0 = addSeparator(mnucontext, "mnucontextbar0");
    mnucontextselectall = addItem(mnucontext, "mnucontextselectall", QStringLiteral("Выделить всё"));
    mnucontextfont = addItem(mnucontext, "mnucontextfont", QStringLiteral("Шрифт..."));

    mnuoptions = addMenu(bar, "mnuoptions", QString());
    mnuoptions->menuAction()->setVisible(false);
    mnuOptionsLower = addItem(mnuoptions, "mnuOptionsLower", QString());
    mnuOptionsUpper = addItem(mnuoptions, "mnuOptionsUpper", QString());
    mnuOptionsComplete = addItem(mnuoptions, "mnuOptionsComplete", QString());
    for (QAction* item : {mnuOptionsLower, mnuOptionsUpper, mnuOptionsComplete}) {
        item->setCheckable(true);
        item->setChecked(true);
    }

    // The user reaches the completion options in the Settings menu.
    mnuOptionsLower->setText(UiTexts::OptionsLowerCaption);
    mnuOptionsUpper->setText(UiTexts::OptionsUpperCaption);
    mnuOptionsComplete->setText(UiTexts::OptionsCompleteCaption);
    mnutuningbar1 = addSeparator(mnutuning, "mnutuningbar1");
    mnutuning->addActions({mnuOptionsLower, mnuOptionsUpper, mnuOptionsComplete});

    mnutuningbar2 = addSeparator(mnutuning, "mnutuningbar2");
    mnutuningspellcheck = addItem(mnutuning, "mnutuningspellcheck", UiTexts::SpellCheckCaption);
    mnutuningspellcheck->setCheckable(true);
    mnutuningspellcheck->setChecked(true);
}

QMenu* MainMenu::addMenu(QMenuBar* bar, const char* name, const QString& title)
{
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

QAction* MainMenu::addItem(QMenu* menu, const char* name, const QString& caption,
                           const QKeySequence& shortcut)
{
    QAction* item = addItem(menu, name, caption);
    item->setShortcut(shortcut);
    return item;
}

QAction* MainMenu::addItem(QMenu* menu, const char* name, const QString& caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    return item;
}

QAction* MainMenu::addSeparator(QMenu* menu, const char* name)
{
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(name));
    return separator;
}
