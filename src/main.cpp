#include "app/AppStartup.h"
#include "app/frmMain.h"
#include "platform/StartWarmUp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const std::unique_ptr<StartWarmUp> warmUp = AppStartup::warmUp();
    QApplication app(argc, argv);
    warmUp->wait();
    AppStartup::prepare(app);
    frmMain window;
    window.show();
    window.offerRecovery();
    AppStartup::openFiles(window, QApplication::arguments().mid(1));
    return app.exec();
}
