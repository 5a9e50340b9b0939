#include "helpers/TextChecks.h"

#include <QHash>
#include <QRegularExpression>
#include <QTextCharFormat>

namespace TextChecks {

QString visible(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\t': out += QStringLiteral("\\t"); break;
        case 0x2028: out += QStringLiteral("\\u2028"); break;
        case 0x00A0: out += QStringLiteral("\\u00a0"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString describe(const QTextCharFormat& format)
{
    QStringList parts;
    parts << QStringLiteral("weight=%1").arg(format.fontWeight());
    parts << QStringLiteral("italic=%1").arg(format.fontItalic());
    parts << QStringLiteral("underline=%1").arg(format.fontUnderline());
    parts << QStringLiteral("strike=%1").arg(format.fontStrikeOut());
    parts << QStringLiteral("families=%1")
                 .arg(format.property(QTextFormat::FontFamilies).toStringList().join(QLatin1Char(',')));
    parts << QStringLiteral("size=%1").arg(format.fontPointSize());
    parts << QStringLiteral("foreground=%1")
                 .arg(format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color().name()
                                                                       : QStringLiteral("none"));
    return parts.join(QLatin1Char(' '));
}

QString decodeEntities(const QString& html)
{
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QStringLiteral("\u00A0")},
    };
    QString out;
    qsizetype last = 0;
    auto it = entity.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        out += html.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
            bool ok = false;
            const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            if (ok && code != 0 && code <= 0x10FFFF) {
                const char32_t c = code;
                out += QString::fromUcs4(&c, 1);
            } else {
                out += m.captured(0);
            }
        } else {
            out += named.value(name, m.captured(0));
        }
        last = m.capturedEnd();
    }
    out += html.mid(last);
    return out;
}

} // namespace TextChecks
