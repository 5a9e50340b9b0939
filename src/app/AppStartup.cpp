#include "app/AppStartup.h"

#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "dialogs/ProgramIcon.h"
#include "platform/InterfaceFont.h"
#include "platform/ProgramStyle.h"
#include "platform/RichTextBox.h"
#include "platform/StartWarmUp.h"
#include "texts/UiTexts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

void AppStartup::initResources()
{
    // The pictures are compiled into a static library, whose resource
    // initialiser has to be called by name.
    Q_INIT_RESOURCE(pergalot);
}

std::unique_ptr<StartWarmUp> AppStartup::warmUp()
{
    initResources();
    // "Sans Serif" is Qt's interface font where the desktop names none. The
    // toolbar's pictures are those for an ordinary screen: the screen is not
    // known yet, and a dense one has its own decoded when asked for.
    return std::make_unique<StartWarmUp>(QStringList{RichTextBox::defaultFamily(), QStringLiteral("Sans Serif")},
                                         QStringList{ProgramIconPath, MainToolBar::imageStripPath(1)});
}

void AppStartup::prepare(QApplication& app)
{
    QApplication::setApplicationName(UiTexts::AppTitle);
    // No display name: the window system would append it to every title.
    QApplication::setDesktopFileName(QStringLiteral("pergalot"));
    // Before the first widget, so that none is polished twice.
    QApplication::setStyle(new ProgramStyle);
    useResolvedInterfaceFont();
    // Every window of the program carries its icon: dialogs, and the
    // document windows, which are made without one.
    QApplication::setWindowIcon(ProgramIcon());
    installQtTranslation(app);
}

bool AppStartup::installQtTranslation(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QApplication::installTranslator(translator);
}

void AppStartup::openFiles(frmMain& window, const QStringList& paths)
{
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        // The caption holds the full path, as the open dialog gives it.
        window.fileCommands()->openFile(QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath())));
    }
}
