#pragma once

#include <QStringList>

#include <memory>

class QApplication;
class StartWarmUp;
class frmMain;

// What the program sets up before its main window exists: its name, style,
// interface font and icon, and Qt's Russian translation so that message-box
// buttons and Qt's own dialogs speak the language of the rest of the
// interface.
class AppStartup
{
public:
    // Registers the compiled-in pictures; safe to call again.
    static void initResources();
    // Before the application object: starts what the start can do on a
    // thread of its own (the fonts and pictures of the first paint). Wait
    // for it before the main window is made.
    static std::unique_ptr<StartWarmUp> warmUp();
    static void prepare(QApplication& app);
    // True when Qt's Russian translation was found and installed.
    static bool installQtTranslation(QApplication& app);
    // Opens the files named on the command line, each as File > Open would,
    // in the order given; relative names are taken from the current folder.
    static void openFiles(frmMain& window, const QStringList& paths);
};
