// Every test program carries the program's display name, as the program sets
// it at start-up: message boxes without a title of their own show it.

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

void nameTheApplication()
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Пергалот"));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(nameTheApplication)
