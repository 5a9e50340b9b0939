#include "document/WriteTextFile.h"

#include "platform/TextCodec.h"

#include <QFileInfo>
#include <QSaveFile>

bool WriteTextFile(const QString& path, const QString& text, QString* errorMessage)
{
    auto fail = [errorMessage](const QString& reason) {
        if (errorMessage)
            *errorMessage = reason;
        return false;
    };
    // QSaveFile replaces the file by renaming, which would get round a
    // read-only file in a writable folder.
    const QFileInfo info(path);
    if (info.exists() && !info.isWritable())
        return fail(QStringLiteral("Файл доступен только для чтения."));
    if (info.isDir())
        return fail(QStringLiteral("Это папка, а не файл."));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const QByteArray bytes = TextCodec::encode(text);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
