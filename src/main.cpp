#include "app/AppStartup.h"
#include "app/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    AppStartup::prepare(app);
    frmMain window;
    window.show();
    window.offerRecovery();
    AppStartup::openFiles(window, QApplication::arguments().mid(1));
    return app.exec();
}
