#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString& testingOverride()
{
    static QString folder;
    return folder;
}

bool endsWithSeparator(const QString& folder)
{
#ifdef Q_OS_WIN
    return folder.endsWith(u'/') || folder.endsWith(u'\\');
#else
    return folder.endsWith(u'/');
#endif
}

} // namespace

QString ProgramFolder::path()
{
    if (!testingOverride().isEmpty())
        return testingOverride();
    const QString folder = QCoreApplication::applicationDirPath();
    // Installed, bin/pergalot is a symlink into lib/pergalot/; the data files
    // live beside the real executable.
    const QString resolved = QFileInfo(folder).canonicalFilePath();
    return resolved.isEmpty() ? folder : resolved;
}

void ProgramFolder::setPathForTesting(const QString& folder)
{
    testingOverride() = folder;
}

QString ProgramFolder::filePath(const QString& fileName)
{
    return join(path(), fileName);
}

QString ProgramFolder::join(const QString& folder, const QString& fileName)
{
    if (folder.isEmpty() || endsWithSeparator(folder))
        return folder + fileName;
    return folder + u'/' + fileName;
}
