#include "document/WriteTextFile.h"

#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

bool WriteTextFile(const QString& path, const QString& text, QString* errorMessage)
{
    return AtomicFile::write(path, TextCodec::encode(text), errorMessage);
}
