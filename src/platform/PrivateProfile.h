#pragma once

#include <QString>

// The two private-profile (INI file) calls the program makes, with the
// semantics of their Windows namesakes: section and key names are compared
// without regard to case, values are trimmed of surrounding blanks, and a
// value enclosed in matching quotes loses them.
//
// The file is 8-bit text (TextCodec). A rewrite keeps every byte of every line
// it does not change, keeps the file's line ends and, where it can, its code
// page; it goes through QSaveFile, so a failed write leaves the old file whole.
class PrivateProfile
{
public:
    // Copies at most size-1 characters of the value (or of defaultValue when
    // the file, section or key is missing) to the start of buffer, followed by
    // a terminating NUL where it fits, and returns the number copied. buffer
    // grows to size characters when it is shorter. When a section or key
    // occurs twice, the first occurrence counts.
    static qsizetype GetPrivateProfileString(const QString& section, const QString& key,
                                             const QString& defaultValue, QString& buffer,
                                             qsizetype size, const QString& path);

    // Sets key=value in [section], creating the file, the section or the key as
    // needed. An existing key is changed in place; a new key goes after the
    // last non-blank line of its section, a new section at the end of the file.
    // Line breaks in the value become blanks, and a value that would not read
    // back as written (surrounding blanks, surrounding quotes) is quoted.
    // Returns false, with the file unchanged, when it could not be written or
    // when the names cannot be stored (empty key; "=", ";" or "[" that would
    // make the key unreadable; "]" in the section; line breaks in either).
    static bool WritePrivateProfileString(const QString& section, const QString& key,
                                          const QString& value, const QString& path);
};
