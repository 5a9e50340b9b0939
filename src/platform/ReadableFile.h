#pragma once

#include <QString>

// Whether a path names a file that can be opened as a document.
namespace ReadableFile {

// Empty when the path names a regular file that opens for reading; otherwise
// why not, in Russian, naming the file. Devices and pipes are refused
// unopened: they may never end (/dev/zero) or never answer.
QString problem(const QString& path);

} // namespace ReadableFile
