#include "app/AppStartup.h"

#include "app/UiTexts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

void AppStartup::prepare(QApplication& app)
{
    QApplication::setApplicationName(UiTexts::AppTitle);
    QApplication::setApplicationDisplayName(UiTexts::AppTitle);
    QApplication::setDesktopFileName(QStringLiteral("pergalot"));
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
