#include "helpers/DocumentCensus.h"

#include "rtf/PlainTextExport.h"
#include "rtf/RtfObjects.h"

#include <QSet>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>

#include <numeric>

namespace {

void countTables(QTextFrame* frame, DocumentCensus& census)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
            ++census.tables;
            census.rows += table->rows();
            for (int row = 0; row < table->rows(); ++row) {
                for (int column = 0; column < table->columns(); ++column) {
                    const QTextTableCell cell = table->cellAt(row, column);
                    if (cell.row() != row || cell.column() != column)
                        continue;
                    ++census.cells;
                    if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
                        ++census.merged;
                }
            }
        }
        countTables(child, census);
    }
}

} // namespace

DocumentCensus DocumentCensus::of(const QTextDocument& document)
{
    DocumentCensus census;
    countTables(document.rootFrame(), census);
    QSet<QTextList*> lists;
    QString lastHref;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (QTextList* list = block.textList()) {
            lists.insert(list);
            ++census.items;
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QString href = format.isAnchor() ? format.anchorHref() : QString();
            if (!href.isEmpty() && href != lastHref)
                ++census.links;
            lastHref = href;
            const int objects = int(it.fragment().text().count(QChar::ObjectReplacementCharacter));
            if (format.isImageFormat() && RtfObjects::isKeptPicture(format.toImageFormat()))
                census.pictures += objects;
            else if (RtfObjects::isMarker(format))
                census.markers[size_t(RtfObjects::markerKind(format))] += objects;
        }
        lastHref.clear();
    }
    census.lists = int(lists.size());
    census.text = PlainTextExport::text(&document);
    return census;
}

int DocumentCensus::markerCount() const
{
    return std::accumulate(markers.begin(), markers.end(), 0);
}

QString DocumentCensus::describe() const
{
    static const char* const kinds[] = {"others", "footnotes", "annotations", "objects",
                                        "metafiles", "bookmarks", "shapes", "fields", "hidden"};
    QStringList parts;
    auto add = [&parts](const char* name, int count) {
        if (count)
            parts << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(count);
    };
    add("pictures", pictures);
    add("tables", tables);
    add("rows", rows);
    add("cells", cells);
    add("merged", merged);
    add("lists", lists);
    add("items", items);
    add("links", links);
    for (size_t kind = 0; kind < markers.size(); ++kind)
        add(kinds[kind], markers[kind]);
    return parts.join(QLatin1Char(' '));
}
