#pragma once

#include <QString>

// Writes text as a plain-text file in the system code page (see TextCodec).
// The old file stays whole until the new one is complete; on failure the
// reason is left in errorMessage and false returned.
bool WriteTextFile(const QString& path, const QString& text, QString* errorMessage = nullptr);
