#include "document/WriteTextFile.h"

#include "platform/AtomicFile.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QTextDocument>

namespace {

// The character at index, a surrogate pair whole.
QString characterAt(const QString& text, qsizetype index)
{
    const qsizetype length = text.at(index).isHighSurrogate() && index + 1 < text.size() ? 2 : 1;
    return text.mid(index, length);
}

} // namespace

bool WriteTextFile(const QString& path, RichTextBox& editor, QString* errorMessage)
{
    const auto fail = [&](const QString& reason) {
        if (errorMessage)
            *errorMessage = reason;
        return false;
    };
    TextFileFormat format = editor.textFileFormat();
    const QString text = editor.fileText();
    TextCodec::Encoded encoded = TextCodec::encode(text, format);
    if (encoded.unencodable >= 0 && !format.isUtf8()) {
        const QString encoding = TextCodec::displayName(format.encoding);
        const QString character = characterAt(text, encoded.unencodable);
        const MsgResult answer =
            MsgBox(&editor,
                   QStringLiteral("В кодировке %1 нельзя записать знак «%2» и, возможно, другие знаки "
                                  "текста.\nСохранить файл %3 в кодировке UTF-8?")
                       .arg(encoding, character, QDir::toNativeSeparators(path)),
                   MsgButtons::YesNo, MsgIcon::Question);
        if (answer != MsgResult::Yes)
            return fail(QStringLiteral("Файл не записан: в кодировке %1 нет знака «%2».").arg(encoding, character));
        format.encoding = TextFileFormat::newDocument().encoding;
        format.byteOrderMark = false;
        encoded = TextCodec::encode(text, format);
    }
    if (encoded.unencodable >= 0)
        return fail(QStringLiteral("Файл не записан: знак в позиции %1 нельзя записать ни в одной кодировке.")
                        .arg(encoded.unencodable + 1));
    if (!AtomicFile::write(path, encoded.bytes, errorMessage))
        return false;
    editor.setTextFileFormat(format);
    editor.document()->setModified(false);
    return true;
}

bool WriteTextFile(const QString& path, const QString& text, QString* errorMessage)
{
    return AtomicFile::write(path, TextCodec::encode(text), errorMessage);
}
