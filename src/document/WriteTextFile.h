#pragma once

#include <QString>

class RichTextBox;

// Writes the editor's text as a plain-text file in the form the document's
// file had (its encoding, byte-order mark and line ends; UTF-8 and LF for a
// new document). When that encoding cannot hold some character, the user is
// asked whether to write the file as UTF-8: Yes writes UTF-8 and the
// document keeps UTF-8 from then on; No writes nothing. Nothing is dropped
// or replaced. The old file stays whole until the new one is complete; on
// failure (No included) the reason is left in errorMessage and false returned.
// Written, the document has no unsaved changes any more.
bool WriteTextFile(const QString& path, RichTextBox& editor, QString* errorMessage = nullptr);

// Writes text as a new plain-text file: UTF-8, line ends as the text has them.
bool WriteTextFile(const QString& path, const QString& text, QString* errorMessage = nullptr);
