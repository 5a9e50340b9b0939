#pragma once

#include <QString>

// The folder of the running program, which holds tags.lst and, when it can be
// written, pergalot.ini.
class ProgramFolder
{
public:
    // QCoreApplication::applicationDirPath() with symlinks resolved, or the
    // folder set by setPathForTesting.
    static QString path();
    // An empty string clears the override.
    static void setPathForTesting(const QString& folder);

    // fileName inside the program folder, joined with one "/" whatever the
    // folder text ends with ("/" gives "/pergalot.ini").
    static QString filePath(const QString& fileName);
    // The same join for any folder.
    static QString join(const QString& folder, const QString& fileName);
};
