#include "BenchDocuments.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace BenchDocuments {

namespace {

constexpr qsizetype RtfCharacters = 2'700'000;

const char* const russianWords[] = {
    "и", "в", "не", "на", "что", "с", "по", "это", "документ", "текст", "редактор", "строка", "абзац",
    "шрифт", "размер", "цвет", "жирный", "курсив", "подчёркнутый", "Москва", "правительство",
    "исследование", "результаты", "программа", "пользователь", "изменения", "быстро", "медленно",
    "ёлка", "объём", "съешь", "ещё", "этих", "мягких", "французских", "булок", "выпей", "чаю",
};
const char* const englishWords[] = {
    "the", "of", "and", "to", "in", "is", "for", "that", "editor", "document", "text", "window",
    "paragraph", "font", "size", "colour", "bold", "italic", "quick", "brown", "fox", "jumps",
    "over", "lazy", "dog", "benchmark", "result", "version",
};

} // namespace

QString word(Random& random, bool russian)
{
    return QString::fromUtf8(russian ? russianWords[random.below(int(std::size(russianWords)))]
                                     : englishWords[random.below(int(std::size(englishWords)))]);
}

QString dataFolder()
{
    const QByteArray env = qgetenv("PERGALOT_BENCH_DATA");
    const QString folder = env.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/bench-data")
                                         : QString::fromLocal8Bit(env);
    QDir().mkpath(folder);
    return folder;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Generated HTML, converted by LibreOffice as a user's document would be.
QString libreOfficeRtf(QString* error)
{
    const QString target = dataFolder() + QStringLiteral("/libreoffice.rtf");
    if (QFileInfo(target).size() > 0)
        return target;
    static const char* const colours[] = {"#c00000", "#0050a0", "#208020", "#806000"};
    static const char* const aligns[] = {"", "", " align=\"center\"", " align=\"right\"", " align=\"justify\""};
    Random random(20240917);
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\n");
    qsizetype characters = 0;
    while (characters < RtfCharacters) {
        QString paragraph;
        const int words = 30 + random.below(60);
        for (int i = 0; i < words; ++i) {
            const QString w = word(random, random.chance(60));
            characters += w.size() + 1;
            const int style = random.below(100);
            if (i)
                paragraph += QLatin1Char(' ');
            if (style < 5)
                paragraph += QStringLiteral("<b>%1</b>").arg(w);
            else if (style < 9)
                paragraph += QStringLiteral("<i>%1</i>").arg(w);
            else if (style < 11)
                paragraph += QStringLiteral("<u>%1</u>").arg(w);
            else if (style < 13)
                paragraph += QStringLiteral("<span style=\"color:%1\">%2</span>")
                                 .arg(QLatin1String(colours[random.below(4)]), w);
            else
                paragraph += w;
        }
        html += QStringLiteral("<p%1>%2</p>\n").arg(QLatin1String(aligns[random.below(5)]), paragraph);
    }
    html += QStringLiteral("</body></html>\n");

    QTemporaryDir work;
    const QString source = work.filePath(QStringLiteral("libreoffice.html"));
    if (!writeFile(source, html.toUtf8())) {
        *error = QStringLiteral("cannot write %1").arg(source);
        return {};
    }
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--infilter=HTML (StarWriter)"),
                   QStringLiteral("--convert-to"), QStringLiteral("rtf"), QStringLiteral("--outdir"), work.path(),
                   source});
    if (!soffice.waitForFinished(600'000) || soffice.exitCode() != 0
        || !QFile::rename(work.filePath(QStringLiteral("libreoffice.rtf")), target)) {
        *error = QStringLiteral("soffice could not convert the generated HTML: %1")
                     .arg(QString::fromLocal8Bit(soffice.readAllStandardError()));
        return {};
    }
    return target;
}

} // namespace BenchDocuments
