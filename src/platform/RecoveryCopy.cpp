#include "platform/RecoveryCopy.h"

#include "platform/TextCodec.h"

#include <QCryptographicHash>
#include <QHash>

namespace {

const QByteArray Magic = QByteArrayLiteral("PERGALOT RECOVERY 1\n");

const char* lineEndName(TextFileFormat::LineEnd end)
{
    switch (end) {
    case TextFileFormat::LineEnd::CRLF:
        return "CRLF";
    case TextFileFormat::LineEnd::CR:
        return "CR";
    default:
        return "LF";
    }
}

std::optional<TextFileFormat::LineEnd> lineEndOf(const QByteArray& name)
{
    if (name == "LF")
        return TextFileFormat::LineEnd::LF;
    if (name == "CRLF")
        return TextFileFormat::LineEnd::CRLF;
    if (name == "CR")
        return TextFileFormat::LineEnd::CR;
    return std::nullopt;
}

void field(QByteArray& out, const char* name, const QByteArray& value)
{
    out.append(name).append('=').append(value.toPercentEncoding()).append('\n');
}

std::optional<RecoveryCopy> refuse(QString* problem, const QString& reason)
{
    if (problem)
        *problem = reason;
    return std::nullopt;
}

} // namespace

QByteArray RecoveryCopy::rtfBytes() const
{
    if (rtf.size() == 1)
        return rtf.first();
    return rtf.join();
}

QList<QByteArray> RecoveryCopy::fileBytes() const
{
    QCryptographicHash digest(QCryptographicHash::Md5);
    qsizetype size = 0;
    for (const QByteArray& piece : rtf) {
        digest.addData(piece);
        size += piece.size();
    }
    QByteArray header = Magic;
    field(header, "caption", caption.toUtf8());
    field(header, "untitled", untitled ? "1" : "0");
    field(header, "encoding", format.encoding);
    field(header, "bom", format.byteOrderMark ? "1" : "0");
    field(header, "line-end", lineEndName(format.lineEnd));
    field(header, "rtf-size", QByteArray::number(size));
    field(header, "rtf-md5", digest.result().toHex());
    header.append('\n');
    QList<QByteArray> out;
    out.reserve(rtf.size() + 1);
    out.append(header);
    out.append(rtf);
    return out;
}

std::optional<RecoveryCopy> RecoveryCopy::read(const QByteArray& bytes, QString* problem, QString* caption)
{
    if (!bytes.startsWith(Magic))
        return refuse(problem, QStringLiteral("это не копия документа"));
    const qsizetype end = bytes.indexOf("\n\n", Magic.size() - 1);
    if (end < 0)
        return refuse(problem, QStringLiteral("копия обрывается в заголовке"));
    QHash<QByteArray, QByteArray> fields;
    const QByteArray header = bytes.mid(Magic.size(), end + 1 - Magic.size());
    for (const QByteArray& line : header.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            fields.insert(line.left(equals), QByteArray::fromPercentEncoding(line.mid(equals + 1)));
    }
    if (caption)
        *caption = QString::fromUtf8(fields.value("caption"));
    static const char* const required[] = {"caption", "untitled", "encoding", "bom", "line-end", "rtf-size",
                                           "rtf-md5"};
    for (const char* name : required) {
        if (!fields.contains(name))
            return refuse(problem, QStringLiteral("в заголовке копии нет поля %1").arg(QLatin1String(name)));
    }

    RecoveryCopy copy;
    copy.caption = QString::fromUtf8(fields.value("caption"));
    copy.untitled = fields.value("untitled") != "0";
    copy.format.encoding = fields.value("encoding");
    copy.format.byteOrderMark = fields.value("bom") == "1";
    const std::optional<TextFileFormat::LineEnd> lineEnd = lineEndOf(fields.value("line-end"));
    if (copy.caption.isEmpty() || !lineEnd || !TextCodec::supports(copy.format.encoding))
        return refuse(problem, QStringLiteral("заголовок копии повреждён"));
    copy.format.lineEnd = *lineEnd;

    bool sized = false;
    const qsizetype size = fields.value("rtf-size").toLongLong(&sized);
    const QByteArray content = bytes.mid(end + 2);
    if (!sized || size != content.size())
        return refuse(problem, content.size() < size ? QStringLiteral("копия обрывается: записана не до конца")
                                                     : QStringLiteral("размер копии не совпадает с заголовком"));
    if (QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex() != fields.value("rtf-md5"))
        return refuse(problem, QStringLiteral("содержимое копии повреждено"));
    copy.rtf = {content};
    return copy;
}
