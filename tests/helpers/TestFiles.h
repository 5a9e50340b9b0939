#pragma once

#include <QByteArray>
#include <QString>

// File access shared by the tests.
namespace TestFiles {

// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString& path);
// Creates or replaces the file; false when it could not be written whole.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace TestFiles
