#pragma once

#include "platform/TextFileFormat.h"

#include <QString>
#include <QStringView>
#include <QTextFormat>

#include <utility>
#include <vector>

// The line ends of a plain-text file: CR LF, LF or CR. The editor keeps a
// paragraph break as "\n"; a file's own style is its most frequent line
// end, and the lines that ended otherwise keep theirs as a property of
// their paragraph, so a file with mixed line ends is written back as it was.
class LineEnds
{
public:
    using LineEnd = TextFileFormat::LineEnd;

    // Paragraph property (int, a LineEnd) of a paragraph whose break is not
    // the file's own style.
    static constexpr int BlockProperty = QTextFormat::UserProperty + 0x1600;

    struct Split
    {
        QString text;                // the lines joined by "\n"
        LineEnd majority = LineEnd::LF;  // LF when the text has no line end
        // Lines, counted from 0, whose end is not the majority's.
        std::vector<std::pair<qsizetype, LineEnd>> others;
    };
    // A tie goes to the line end met first.
    static Split split(QStringView text);

    static QStringView text(LineEnd lineEnd);
};
