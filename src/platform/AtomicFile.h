#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content so that a failed write leaves the old file whole.
//
// Usually the bytes go to a temporary file beside it that takes the file's
// place only when everything was written. Where that would change more than
// the content, the file is written in place instead: when its folder cannot
// take new files but the file itself can be written, and when the file has
// several hard links (a new file would part it from its other names). An
// in-place write first reserves the disk space it needs and puts the old
// bytes back if it fails all the same.
//
// A pipe, device or socket at the path is refused untouched. On failure
// errorMessage says why, in Russian, naming the file.
class AtomicFile
{
public:
    static bool write(const QString& path, const QByteArray& bytes, QString* errorMessage = nullptr);
};
