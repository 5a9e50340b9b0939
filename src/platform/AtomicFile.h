#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content all at once: the bytes go to a temporary file
// beside it that takes the file's place only when everything was written, so
// a failed write (full disk, missing folder, no rights) leaves the old file
// whole. On failure errorMessage says why, in Russian, naming the file.
class AtomicFile
{
public:
    static bool write(const QString& path, const QByteArray& bytes, QString* errorMessage = nullptr);
};
