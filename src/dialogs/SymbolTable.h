#pragma once

#include <QString>

// The character table of the symbol dialog: the codes 0x20 to 0xFF of code
// page 1251, seven rows of 32 characters, each row followed by CR LF.
class SymbolTable
{
public:
    static constexpr int Rows = 7;
    static constexpr int Columns = 32;
    static constexpr int RowLength = Columns + 2;  // with CR LF

    // 238 characters. 0x98, which the code page leaves unassigned, shows as
    // U+FFFD REPLACEMENT CHARACTER rather than as an invisible control code.
    static QString text();

    // Text selected in the table, as it is copied or inserted: every line
    // break (a paragraph separator, CR LF, CR or LF) becomes one "\n".
    static QString selectionText(const QString& selected);
};
