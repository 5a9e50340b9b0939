#include "app/AppStartup.h"

#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "dialogs/ProgramIcon.h"
#include "platform/ProgramStyle.h"
#include "texts/UiTexts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

void AppStartup::prepare(QApplication& app)
{
    QApplication::setApplicationName(UiTexts::AppTitle);
    // No display name: the window system would append it to every title.
    QApplication::setDesktopFileName(QStringLiteral("pergalot"));
    // Before the first widget, so that none is polished twice.
    QApplication::setStyle(new ProgramStyle);
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
