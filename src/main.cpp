#include "app/AppStartup.h"
#include "app/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    AppStartup::prepare(app);
    frmMain window;
    window.show();
    return app.exec();
}
