#include "dialogs/SymbolTable.h"

#include <QByteArray>
#include <QStringDecoder>

QString SymbolTable::text()
{
    QByteArray codes;
    for (int code = 0x20; code <= 0xFF; ++code)
        codes.append(char(code));
    QStringDecoder decoder("windows-1251");
    QString characters = decoder.decode(codes);
    // A Qt without the code page would give less; the table keeps its shape.
    characters.resize(codes.size(), QChar::ReplacementCharacter);
    // The decoder gives the C1 control U+0098 for the unassigned code.
    characters[0x98 - 0x20] = QChar::ReplacementCharacter;

    QString table;
    table.reserve(Rows * RowLength);
    for (int row = 0; row < Rows; ++row)
    {
        table += QStringView(characters).mid(row * Columns, Columns);
        table += QLatin1String("\r\n");
    }
    return table;
}

QString SymbolTable::selectionText(const QString& selected)
{
    QString text;
    text.reserve(selected.size());
    for (qsizetype i = 0; i < selected.size(); ++i) {
        const QChar ch = selected.at(i);
        if (ch == QLatin1Char('\r') && i + 1 < selected.size() && selected.at(i + 1) == QLatin1Char('\n'))
            continue;  // the LF that follows stands for the pair
        if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator || ch == QLatin1Char('\r'))
            text += QLatin1Char('\n');
        else
            text += ch;
    }
    return text;
}
