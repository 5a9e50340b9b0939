#include "platform/LineEnds.h"

#include <array>
#include <optional>

namespace {

// Files with one style throughout, the usual case, in a pass or two over
// the text: without CR nothing changes; with CR LF only or CR only each CR
// goes or becomes LF. Nothing when the file mixes styles.
std::optional<LineEnds::Split> splitUniform(QStringView text)
{
    using LineEnd = LineEnds::LineEnd;
    LineEnds::Split result;
    const qsizetype firstCr = text.indexOf(u'\r');
    if (firstCr < 0) {
        result.text = text.toString();
        return result;
    }
    const bool crlf = firstCr + 1 < text.size() && text[firstCr + 1] == u'\n';
    if (text.first(firstCr).contains(u'\n'))
        return std::nullopt;  // an LF line before the first CR
    result.majority = crlf ? LineEnd::CRLF : LineEnd::CR;
    result.text.resize(text.size());
    char16_t* out = reinterpret_cast<char16_t*>(result.text.data());
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c == u'\r') {
            const bool pair = i + 1 < n && p[i + 1] == u'\n';
            if (pair != crlf)
                return std::nullopt;
            i += pair;
            *out++ = u'\n';
        } else if (c == u'\n') {
            return std::nullopt;  // an LF alone
        } else {
            *out++ = c;
        }
    }
    result.text.truncate(out - reinterpret_cast<const char16_t*>(result.text.constData()));
    return result;
}

} // namespace

LineEnds::Split LineEnds::split(QStringView text)
{
    if (std::optional<Split> uniform = splitUniform(text))
        return std::move(*uniform);
    Split result;
    result.text.resize(text.size());
    char16_t* out = reinterpret_cast<char16_t*>(result.text.data());
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    std::vector<LineEnd> ends;
    std::array<qsizetype, 3> counts{};
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c != u'\r' && c != u'\n') {
            *out++ = c;
            continue;
        }
        LineEnd end = LineEnd::LF;
        if (c == u'\r') {
            end = LineEnd::CR;
            if (i + 1 < n && p[i + 1] == u'\n') {
                end = LineEnd::CRLF;
                ++i;
            }
        }
        *out++ = u'\n';
        ends.push_back(end);
        ++counts[size_t(end)];
    }
    result.text.truncate(out - reinterpret_cast<const char16_t*>(result.text.constData()));
    if (ends.empty())
        return result;
    result.majority = ends.front();
    for (const LineEnd end : {LineEnd::LF, LineEnd::CRLF, LineEnd::CR}) {
        if (counts[size_t(end)] > counts[size_t(result.majority)])
            result.majority = end;
    }
    for (size_t line = 0; line < ends.size(); ++line) {
        if (ends[line] != result.majority)
            result.others.emplace_back(qsizetype(line), ends[line]);
    }
    return result;
}

QStringView LineEnds::text(LineEnd lineEnd)
{
    switch (lineEnd) {
    case LineEnd::CRLF:
        return u"\r\n";
    case LineEnd::CR:
        return u"\r";
    case LineEnd::LF:
        break;
    }
    return u"\n";
}
