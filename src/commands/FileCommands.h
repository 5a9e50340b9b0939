#pragma once

#include "commands/CommandContext.h"

class QString;

// The File menu's commands on the active document: open, save, save as,
// print, page setup and delete. Menu items, toolbar buttons and files named
// on the command line all come here.
class FileCommands
{
public:
    explicit FileCommands(CommandContext context);

    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFilePrint_Click();
    void mnuFilePageSetup_Click();
    void mnufiledelete_Click();

    // What Open does once a path is chosen: a new numbered window with the
    // file's content, captioned with the path. A file that cannot be read
    // gets a message and leaves no window behind. False when nothing opened.
    bool openFile(const QString& path);

private:
    void deleteActiveDocumentFile();
    void report(const QString& text) const;

    CommandContext m_context;
};
