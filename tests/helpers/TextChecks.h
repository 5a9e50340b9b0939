#pragma once

#include <QString>

class QTextCharFormat;

// Text helpers shared by the RTF tests: what they compare and how a failure
// shows it.
namespace TextChecks {

// Tabs, line separators, no-break spaces and control characters written as
// escapes, so that a failure message shows them.
QString visible(const QString& text);
// The character formatting a comparison looks at, in one line.
QString describe(const QTextCharFormat& format);
// HTML's character references (&amp; &#1078; &#x436; ...) decoded; unknown
// names and numbers that are no character are kept as written.
QString decodeEntities(const QString& html);

} // namespace TextChecks
