#include "app/AppStartup.h"
#include "app/frmMain.h"
#include "platform/FontWarmUp.h"
#include "platform/RichTextBox.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    FontWarmUp fonts({RichTextBox::defaultFamily(), QStringLiteral("sans-serif")});
    QApplication app(argc, argv);
    AppStartup::prepare(app);
    fonts.wait();
    frmMain window;
    window.show();
    window.offerRecovery();
    AppStartup::openFiles(window, QApplication::arguments().mid(1));
    return app.exec();
}
