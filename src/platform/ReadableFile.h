#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Whether a path names a file that can be opened as a document.
namespace ReadableFile {

// Empty when the path names a regular file that opens for reading; otherwise
// why not, in Russian, naming the file. Devices and pipes are refused
// unopened: they may never end (/dev/zero) or never answer.
QString problem(const QString& path);

// Settings files are small; anything larger is not one.
constexpr qint64 MaxSettingsSize = 1024 * 1024;

// The bytes of a small file: path names a regular file of at most maxSize
// bytes that could be read whole. Pipes and devices are refused without a
// read, and opening one never waits (a FIFO with no writer, /dev/zero).
std::optional<QByteArray> readSmallFile(const QString& path, qint64 maxSize = MaxSettingsSize);
// Whether something stands at path that readSmallFile refuses for what it
// is (a pipe, a device, a folder, a file too large), rather than being
// absent: such a thing is never written over.
bool isForeign(const QString& path, qint64 maxSize = MaxSettingsSize);

} // namespace ReadableFile
