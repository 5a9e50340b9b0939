// bench_largedoc: how the editor copes with large documents, beside a bare
// QTextEdit given the same text in the same run.
//
//   bench_largedoc [--runs N] [--only CASE[,CASE...]] [--timeout S] [--big]
//                  [--editors E[,E...]]
//
// Generates the documents below into a temporary folder, then for every case
// starts itself once per run and editor as a child process, the two editors
// taking turns (so each figure comes with the peak memory of its own process
// and both see the same load on the machine), and prints medians:
//
//   load      RichTextBox::LoadFile; for the bare editor the same text through
//             setPlainText, or the same RTF read into a detached document that
//             is then set on the editor (the way that keeps Qt's layout lazy)
//   paint     the first paint of the shown editor after the load
//   ctrl+end  Ctrl+End and the paint that follows
//   ctrl+home Ctrl+Home and the paint that follows
//   pgdn      PageDown from the top and the paint that follows
//   key       one typed character at the caret after PageDown, and the paint
//   keys      the median of 50 more such characters, each with its paint
//   peak      the child's peak resident memory
//   rss       its resident memory at the end, with the document open
//
// The cases table10k and photos200 are RTF files of a 10,000-row table and
// of 200 JPEG photos (20 MB); their "-built" twins read the same file's bytes
// but build the document with QTextCursor (a table in one edit block, the
// photos' bytes kept as document resources as the RTF reader keeps them), so
// that the layout's side can be measured whatever the reader makes of them.
//
// A child that does not finish within the time-out (default 120 s) is
// stopped and shown as "> S s". --big adds 10 million empty paragraphs
// (a 50 MB RTF) for the memory figure.
//
// --editors chooses who takes turns (default ours,bare): "ours" is the
// RichTextBox, "spell" the RichTextBox with spelling on (both system
// dictionaries loaded before the load is timed, so they count in its peak
// memory), "bare" the QTextEdit. For spelling on against off:
//   bench_largedoc --only text10mb --editors ours,spell
//
// This is a timing program, not a Google Benchmark one: peak memory is a
// per-process figure, so every measurement needs a process of its own.

#include "platform/RichTextBox.h"
#include "platform/SpellChecker.h"
#include "rtf/RtfReader.h"

#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

struct Case
{
    const char* name;
    const char* file;
    const char* description;
    std::function<QByteArray()> make;
    bool big = false;
    // When set, the child builds the document from the file's bytes itself.
    std::function<void(QTextDocument*, const QByteArray&)> build = nullptr;
};

QByteArray repeated(const QByteArray& unit, qsizetype count)
{
    QByteArray bytes;
    bytes.reserve(unit.size() * count);
    for (qsizetype i = 0; i < count; ++i)
        bytes.append(unit);
    return bytes;
}

QByteArray rtf(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs28 " + body + "}";
}

// Russian and English words in lines of about 40 characters; with typos,
// every fifth line starts with a misspelt word.
QByteArray russianEnglishLines(qsizetype lines, bool rtfBody, bool typos = false)
{
    static const char* const words[] = {"редактор", "document", "текст", "window", "строка",
                                        "paragraph", "шрифт", "format", "абзац", "line"};
    QByteArray out;
    for (qsizetype i = 0; i < lines; ++i) {
        QByteArray line = typos && i % 5 == 0 ? (i % 10 == 0 ? "ашибка " : "paragrph ") : "";
        for (int w = 0; line.size() < 36; ++w)
            line += QByteArray(words[(i + w * 3) % 10]) + ' ';
        line += QByteArray::number(i);
        out += line + (rtfBody ? "\\par\n" : "\n");
    }
    return out;
}

QByteArray letters(qsizetype count)
{
    QByteArray out(count, 'a');
    for (qsizetype i = 0; i < count; ++i) {
        if (i % 7 == 6)
            out[i] = ' ';
        else
            out[i] = char('a' + i % 26);
    }
    return out;
}

constexpr int TableRows = 10000;

QByteArray tableRtf()
{
    QByteArray body;
    for (int row = 0; row < TableRows; ++row) {
        body += "\\trowd\\trgaph108\\cellx2000\\cellx6000\\cellx9000\\pard\\intbl ";
        body += QByteArray::number(row) + "\\cell row " + QByteArray::number(row) + " document text\\cell "
            + QByteArray::number(row * 7 % 1000) + "\\cell\\row\n";
    }
    return rtf(body + "\\pard After the table.\\par");
}

void buildTable(QTextDocument* document, const QByteArray&)
{
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(3);
    format.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 126),
                                      QTextLength(QTextLength::FixedLength, 266),
                                      QTextLength(QTextLength::FixedLength, 200)});
    QTextTable* table = cursor.insertTable(TableRows, 3, format);
    for (int row = 0; row < TableRows; ++row) {
        table->cellAt(row, 0).firstCursorPosition().insertText(QString::number(row));
        table->cellAt(row, 1).firstCursorPosition().insertText(QStringLiteral("row %1 document text").arg(row));
        table->cellAt(row, 2).firstCursorPosition().insertText(QString::number(row * 7 % 1000));
    }
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("After the table."));
    cursor.endEditBlock();
}

// 200 noisy 640x480 photos of about 50 KB each, as JPEG, hex in \pict
// groups shown at 640x480 pixels: a 20 MB file.
constexpr int Photos = 200;

QByteArray photosRtf()
{
    QRandomGenerator random(20261208);
    QByteArray body;
    for (int i = 0; i < Photos; ++i) {
        QImage image(640, 480, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor::fromHsv(i * 37 % 360, 120, 220));
        for (int k = 0; k < 420; ++k) {
            painter.fillRect(random.bounded(640), random.bounded(480), random.bounded(4, 40), random.bounded(4, 40),
                             QColor::fromRgb(random.generate()));
        }
        painter.end();
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 80);
        body += "\\pard Photo " + QByteArray::number(i) + "\\par\n{\\pict\\jpegblip\\picw640\\pich480"
                "\\picwgoal9600\\pichgoal7200\n";
        const QByteArray hex = jpeg.toHex();
        for (qsizetype at = 0; at < hex.size(); at += 128)
            body += hex.mid(at, 128) + '\n';
        body += "}\\par\n";
    }
    return rtf(body);
}

// What the RTF reader keeps of each picture: its bytes under the name of
// their hash, shown at 640x480.
void buildPhotos(QTextDocument* document, const QByteArray& bytes)
{
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    qsizetype at = 0;
    for (int i = 0; (at = bytes.indexOf("\\pichgoal7200\n", at)) >= 0; ++i) {
        at += 14;  // past the word and its line end
        const qsizetype end = bytes.indexOf('}', at);
        QByteArray hex = bytes.mid(at, end - at);
        hex.replace('\n', QByteArray());
        const QByteArray jpeg = QByteArray::fromHex(hex);
        const QString name = QStringLiteral("rtfpict:")
            + QString::fromLatin1(QCryptographicHash::hash(jpeg, QCryptographicHash::Sha1).toHex());
        document->addResource(QTextDocument::ImageResource, QUrl(name), jpeg);
        cursor.insertText(QStringLiteral("Photo %1").arg(i));
        cursor.insertBlock();
        QTextImageFormat format;
        format.setName(name);
        format.setWidth(640);
        format.setHeight(480);
        cursor.insertImage(format);
        cursor.insertBlock();
        at = end;
    }
    cursor.endEditBlock();
}

std::vector<Case> cases()
{
    return {
        {"text10mb", "lines.txt", "plain text, 10 MB, 250,000 lines",
         [] { return russianEnglishLines(250000, false); }},
        {"typos10mb", "typos.txt", "plain text, 10 MB, 250,000 lines, a misspelt word in every fifth",
         [] { return russianEnglishLines(250000, false, true); }},
        {"par200k", "par200k.rtf", "RTF, 200,000 empty \\par (1 MB)",
         [] { return rtf(repeated("\\par ", 200000)); }},
        {"par400k", "par400k.rtf", "RTF, 400,000 paragraphs (2 MB)",
         [] { return rtf(repeated("\\par ", 400000)); }},
        {"rtf400k", "text400k.rtf", "RTF, 400,000 paragraphs of text, centred every 10th",
         [] {
             QByteArray body;
             const QByteArray text = russianEnglishLines(400000, true);
             qsizetype n = 0;
             for (const QByteArray& line : text.split('\n')) {
                 if (line.isEmpty())
                     continue;
                 body += (n++ % 10 == 0 ? "\\pard\\qc {\\b " : "\\pard {\\i ") + line.chopped(4) + "}\\par\n";
             }
             return rtf(body);
         }},
        {"par12mb", "par12mb.rtf", "RTF, 12.5 MB of \\par", [] { return rtf(repeated("\\par ", 2500000)); }},
        {"line25mb", "line25mb.rtf", "RTF, 25 MB of \\line", [] { return rtf(repeated("\\line ", 4200000)); }},
        {"para1mb", "para1mb.txt", "plain text, one paragraph of 1 MB", [] { return letters(1 << 20); }},
        {"para5mb", "para5mb.txt", "plain text, one paragraph of 5 MB", [] { return letters(5 << 20); }},
        {"para25mb", "para25mb.rtf", "RTF, one paragraph of 25 MB of letters",
         [] { return rtf(letters(25 << 20)); }},
        {"par50mb", "par50mb.rtf", "RTF, 10,000,000 empty \\par (50 MB)",
         [] { return rtf(repeated("\\par ", 10000000)); }, true},
        {"table10k", "table10k.rtf", "RTF, a table of 10,000 rows of 3 cells", tableRtf},
        {"table10k-built", "table10k.rtf", "the same table built with QTextCursor", tableRtf, false, buildTable},
        {"photos200", "photos200.rtf", "RTF, 200 JPEG photos of 640x480 (20 MB)", photosRtf},
        {"photos200-built", "photos200.rtf", "the same photos kept as resources, built with QTextCursor",
         photosRtf, false, buildPhotos},
    };
}

// Resident memory now, from /proc (0 where there is none).
double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? double(fields[1].toLongLong()) * double(getpagesize()) / (1024.0 * 1024.0) : 0;
}

// The peak of this process's own memory: VmHWM belongs to the address space
// and starts afresh at exec, where getrusage()'s ru_maxrss keeps the parent's
// peak from before the fork.
double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return double(line.mid(6).trimmed().split(' ').value(0).toLongLong()) / 1024.0;
    }
    return 0;
}

void sendKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One measurement in this process: prints "name=seconds ..." on one line.
int runChild(const QString& path, const QString& kind, const QString& caseName)
{
    std::function<void(QTextDocument*, const QByteArray&)> build;
    for (const Case& c : cases()) {
        if (caseName == QLatin1String(c.name))
            build = c.build;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    QTextEdit* editor = nullptr;
    RichTextBox* box = nullptr;
    if (kind != QLatin1String("bare"))
        editor = box = new RichTextBox;
    else
        editor = new QTextEdit;
    QTemporaryDir personal;
    if (kind == QLatin1String("spell")) {
        auto* checker = new SpellChecker(SpellChecker::systemDictionaryFolder(),
                                         personal.filePath(QStringLiteral("words.txt")), box);
        checker->start();
        checker->waitForLoad();
        if (!checker->isActive())
            return 3;
        box->setSpellChecker(checker);
    }
    editor->resize(800, 600);
    editor->show();
    QApplication::processEvents();

    const auto paint = [editor] {
        QApplication::processEvents();
        editor->viewport()->repaint();
    };
    QElapsedTimer timer;
    std::map<QString, double> figures;
    const auto measure = [&](const QString& name, const std::function<void()>& step) {
        timer.start();
        step();
        figures[name] = double(timer.nsecsElapsed()) / 1e9;
    };

    measure(QStringLiteral("load"), [&] {
        if (build) {
            const QByteArray bytes = file.readAll();
            QTextDocument* document = box ? box->document() : new QTextDocument(editor);
            document->setUndoRedoEnabled(false);
            build(document, bytes);
            document->setUndoRedoEnabled(true);
            if (!box)
                editor->setDocument(document);
            editor->setTextCursor(QTextCursor(document));
            return;
        }
        if (box) {
            box->LoadFile(path);
            return;
        }
        const QByteArray bytes = file.readAll();
        if (RtfReader::isRtf(bytes)) {
            auto* document = new QTextDocument(editor);
            RtfReader::read(bytes, document);
            editor->setDocument(document);
        } else {
            editor->setPlainText(QString::fromUtf8(bytes));
        }
    });
    measure(QStringLiteral("paint"), paint);
    measure(QStringLiteral("ctrl+end"), [&] {
        sendKey(editor, Qt::Key_End, Qt::ControlModifier);
        paint();
    });
    measure(QStringLiteral("ctrl+home"), [&] {
        sendKey(editor, Qt::Key_Home, Qt::ControlModifier);
        paint();
    });
    measure(QStringLiteral("pgdn"), [&] {
        sendKey(editor, Qt::Key_PageDown, Qt::NoModifier);
        paint();
    });
    measure(QStringLiteral("key"), [&] {
        sendKey(editor, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        paint();
    });
    std::vector<double> keys;
    for (int i = 0; i < 50; ++i) {
        measure(QStringLiteral("keys"), [&] {
            sendKey(editor, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
            paint();
        });
        keys.push_back(figures["keys"]);
    }
    figures["keys"] = median(keys);
    std::printf("load=%.4f paint=%.4f ctrl+end=%.4f ctrl+home=%.4f pgdn=%.4f key=%.4f keys=%.5f peak=%.1f rss=%.1f\n",
                figures["load"], figures["paint"], figures["ctrl+end"], figures["ctrl+home"],
                figures["pgdn"], figures["key"], figures["keys"], peakMegabytes(), residentMegabytes());
    std::fflush(stdout);
    // The process ends here; tearing down a large document would only add
    // to the run time.
    std::_Exit(0);
}


} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();

    const qsizetype childAt = args.indexOf(QStringLiteral("--child"));
    if (childAt >= 0 && childAt + 3 < args.size())
        return runChild(args.at(childAt + 1), args.at(childAt + 2), args.at(childAt + 3));

    int runs = 5;
    int timeoutSeconds = 120;
    bool big = false;
    QStringList only;
    QStringList editors = {QStringLiteral("ours"), QStringLiteral("bare")};
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--timeout") && i + 1 < args.size())
            timeoutSeconds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--only") && i + 1 < args.size())
            only = args[++i].split(QLatin1Char(','));
        else if (args[i] == QLatin1String("--big"))
            big = true;
        else if (args[i] == QLatin1String("--editors") && i + 1 < args.size())
            editors = args[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    static const char* const columns[] = {"load", "paint", "ctrl+end", "ctrl+home", "pgdn", "key", "keys"};
    std::printf("%-9s %-6s %9s %9s %9s %9s %9s %9s %9s %9s %9s\n", "case", "editor", "load s", "paint s",
                "ctrl+end", "ctrl+home", "pgdn s", "key s", "keys s", "peak MB", "rss MB");
    for (const Case& c : cases()) {
        if (!only.isEmpty() ? !only.contains(QLatin1String(c.name)) : (c.big && !big))
            continue;
        const QString path = dir.filePath(QLatin1String(c.file));
        if (!QFileInfo::exists(path)) {
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(c.make()) < 0)
                return 1;
        }
        std::printf("# %s: %s, %.1f MB\n", c.name, c.description, double(QFileInfo(path).size()) / 1e6);
        // The editors take turns, run by run, so that a change in the
        // machine's load falls on all alike.
        const int editorCount = int(editors.size());
        std::vector<std::map<QString, std::vector<double>>> values(editorCount);
        std::vector<bool> timedOut(editorCount, false);
        for (int run = 0; run < runs; ++run) {
            for (int e = 0; e < editorCount; ++e) {
                if (timedOut[e])
                    continue;
                QProcess child;
                child.start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--child"), path, editors[e], QLatin1String(c.name)});
                if (!child.waitForFinished(timeoutSeconds * 1000)) {
                    child.kill();
                    child.waitForFinished();
                    timedOut[e] = true;
                    continue;
                }
                const QString line = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
                for (const QString& pair : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                    const qsizetype eq = pair.indexOf(QLatin1Char('='));
                    if (eq > 0)
                        values[e][pair.left(eq)].push_back(pair.mid(eq + 1).toDouble());
                }
            }
        }
        for (int e = 0; e < editorCount; ++e) {
            const QByteArray editor = editors[e].toUtf8();
            if (timedOut[e]) {
                std::printf("%-9s %-6s  > %d s (stopped)\n", c.name, editor.constData(), timeoutSeconds);
                continue;
            }
            std::printf("%-9s %-6s", c.name, editor.constData());
            for (const char* column : columns) {
                const auto& v = values[e][QLatin1String(column)];
                std::printf(" %9.4f", v.empty() ? -1.0 : median(v));
            }
            const auto& peak = values[e][QStringLiteral("peak")];
            const auto& rss = values[e][QStringLiteral("rss")];
            std::printf(" %9.0f %9.0f\n", peak.empty() ? -1.0 : median(peak), rss.empty() ? -1.0 : median(rss));
        }
        std::fflush(stdout);
    }
    return 0;
}
