#pragma once

#include <QStringList>

class QApplication;
class frmMain;

// What the program sets up before its main window exists: its name, style
// and icon, and Qt's Russian translation so that message-box buttons and Qt's
// own dialogs speak the language of the rest of the interface.
class AppStartup
{
public:
    static void prepare(QApplication& app);
    // True when Qt's Russian translation was found and installed.
    static bool installQtTranslation(QApplication& app);
    // Opens the files named on the command line, each as File > Open would,
    // in the order given; relative names are taken from the current folder.
    static void openFiles(frmMain& window, const QStringList& paths);
};
