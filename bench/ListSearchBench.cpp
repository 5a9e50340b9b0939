// The tag list with 100,000 lines: filling the list control from the file
// (the file read and split alone, and a QListWidget filled item by item, as
// baselines) and one search keystroke over the filled list.
//
//   bash scripts/bench.sh bench_listsearch --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "listsearch/ListSearch.h"
#include "listsearch/ListSearchModel.h"
#include "listsearch/TagListFile.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int LineCount = 100'000;

// Names of 3 to 12 Latin or Cyrillic letters, CR LF line ends; the last
// line is "zzzlast" so that a search for it walks the whole list.
struct TagFile
{
    QTemporaryDir dir;
    QString path;

    TagFile()
    {
        path = dir.filePath(QStringLiteral("tags.lst"));
        QRandomGenerator random(7);
        QString text;
        for (int i = 0; i < LineCount - 1; ++i) {
            const int length = 3 + int(random.bounded(10));
            const char16_t base = random.bounded(4) == 0 ? u'а' : u'a';
            for (int c = 0; c < length; ++c)
                text += QChar(char16_t(base + random.bounded(26)));
            text += QStringLiteral("\r\n");
        }
        text += QStringLiteral("zzzlast\r\n");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
};

const TagFile& tagFile()
{
    static const TagFile file;
    return file;
}

std::unique_ptr<ListSearch> shownList()
{
    auto list = std::make_unique<ListSearch>();
    list->resize(113, 153);
    list->show();
    QApplication::processEvents();
    return list;
}

void BM_ReadTagFile(benchmark::State& state)
{
    const QString& path = tagFile().path;
    for (auto _ : state) {
        TagListFile::Result result = TagListFile::read(path, false);
        benchmark::DoNotOptimize(result.entries.size());
    }
}
BENCHMARK(BM_ReadTagFile)->Unit(benchmark::kMillisecond);

// FillWithTags on a shown list, painted afterwards.
void BM_FillWithTags(benchmark::State& state)
{
    const QString& path = tagFile().path;
    auto list = shownList();
    for (auto _ : state) {
        if (list->FillWithTags(path, false) != 1)
            state.SkipWithError("fill failed");
        list->repaint();
    }
    state.counters["entries"] = list->model()->rowCount();
}
BENCHMARK(BM_FillWithTags)->Unit(benchmark::kMillisecond);

// The obvious alternative: a QListWidget filled with one item per line.
void BM_QListWidgetBaseline(benchmark::State& state)
{
    const QStringList names = TagListFile::read(tagFile().path, false).entries;
    QListWidget widget;
    widget.resize(113, 130);
    widget.show();
    QApplication::processEvents();
    for (auto _ : state) {
        widget.clear();
        for (const QString& name : names)
            widget.addItem(name);
        widget.repaint();
    }
}
BENCHMARK(BM_QListWidgetBaseline)->Unit(benchmark::kMillisecond);

// One key released in the search box: the search over the whole list and
// the selection scrolled into view. Arg 0: the text matches only the last
// line; arg 1: it matches nothing.
void BM_SearchKeystroke(benchmark::State& state)
{
    auto list = shownList();
    list->FillWithTags(tagFile().path, false);
    auto* search = list->findChild<QLineEdit*>(QStringLiteral("txtSearch"));
    search->setText(state.range(0) == 0 ? QStringLiteral("zzzl") : QStringLiteral("zzzq"));
    for (auto _ : state) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_L, Qt::NoModifier, QStringLiteral("l"));
        QApplication::sendEvent(search, &release);
        list->repaint();
    }
    if (state.range(0) == 0 && list->selectedEntry() != QLatin1String("zzzlast"))
        state.SkipWithError("the last line was not found");
}
BENCHMARK(BM_SearchKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
