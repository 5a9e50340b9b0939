#pragma once

// The scratch folder of a fuzz target that reads its input from a file.

#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

// Made once, in /dev/shm where it can be: every write ends in an fsync, which
// costs nothing in memory and slows the fuzzer a hundredfold on a disk.
// Removed at exit, since libFuzzer ends with exit(). Null if it cannot be made.
inline QTemporaryDir* fuzzScratchFolder(const char* name)
{
    static QTemporaryDir* folder = nullptr;
    if (!folder) {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        folder = shm.isDir() && shm.isWritable()
            ? new QTemporaryDir(QStringLiteral("/dev/shm/%1-XXXXXX").arg(QLatin1String(name)))
            : new QTemporaryDir;
        std::atexit([] { delete folder; folder = nullptr; });
    }
    return folder && folder->isValid() ? folder : nullptr;
}
