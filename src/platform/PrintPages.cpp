#include "platform/PrintPages.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPageRanges>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <memory>

namespace {

// Objects drawn by handlers of the editor's layout (pictures and the like)
// are drawn by the same handlers in print.
void copyObjectHandlers(const QTextDocument& from, QTextDocument& to)
{
    QAbstractTextDocumentLayout* source = from.documentLayout();
    QAbstractTextDocumentLayout* target = to.documentLayout();
    for (const QTextFormat& format : from.allFormats()) {
        const int type = format.objectType();
        if (type == QTextFormat::NoObject || target->handlerForObject(type))
            continue;
        if (auto* handler = dynamic_cast<QObject*>(source->handlerForObject(type)))
            target->registerHandler(type, handler);
    }
}

void printPage(QPainter& painter, const QTextDocument& document, const QRectF& body, int page, qreal numberRight,
               qreal numberBaseline)
{
    painter.save();
    const QRectF view(0, (page - 1) * body.height(), body.width(), body.height());
    painter.translate(body.left(), body.top() - view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    context.palette.setColor(QPalette::Text, Qt::black);  // not the screen's text colour on paper
    document.documentLayout()->draw(&painter, context);
    painter.setClipping(false);
    painter.setFont(document.defaultFont());
    const QString number = QString::number(page);
    painter.drawText(qRound(numberRight - painter.fontMetrics().horizontalAdvance(number)),
                     qRound(numberBaseline + view.top()), number);
    painter.restore();
}

} // namespace

void PrintPages(const QTextDocument& document, QPrinter* printer)
{
    if (!printer)
        return;
    if (printer->pageLayout().margins(QPageLayout::Millimeter).isNull())
        printer->setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    QPainter painter(printer);
    if (!painter.isActive())
        return;

    // Laid out afresh on the printer's pages, as QTextDocument::print does.
    const std::unique_ptr<QTextDocument> pages(document.clone());
    pages->documentLayout()->setPaintDevice(printer);
    copyObjectHandlers(document, *pages);
    // The layout scales the frame's margins from screen pixels to the
    // printer's; the page number is placed in the printer's own.
    const qreal screenDpi = 96;
    const int margin = int(2 / 2.54 * screenDpi);
    QTextFrameFormat frame = pages->rootFrame()->frameFormat();
    frame.setMargin(margin);
    pages->rootFrame()->setFrameFormat(frame);
    const QRectF body(0, 0, printer->width(), printer->height());
    pages->setPageSize(body.size());
    const qreal numberRight = body.width() - margin * printer->logicalDpiX() / screenDpi;
    const qreal numberBaseline = body.height() - margin * printer->logicalDpiY() / screenDpi
        + QFontMetrics(pages->defaultFont(), printer).ascent() + 5.0 * printer->logicalDpiY() / 72;

    QList<int> chosen;
    const QPageRanges ranges = printer->printRange() == QPrinter::PageRange ? printer->pageRanges() : QPageRanges();
    for (int page = 1; page <= pages->pageCount(); ++page) {
        if (ranges.isEmpty() || ranges.contains(page))
            chosen.append(page);
    }
    if (printer->pageOrder() == QPrinter::LastPageFirst)
        std::reverse(chosen.begin(), chosen.end());
    const int copies = printer->supportsMultipleCopies() ? 1 : std::max(1, printer->copyCount());
    QList<int> sequence;
    for (int copy = 0; copy < copies && printer->collateCopies(); ++copy)
        sequence += chosen;
    for (int page : chosen) {
        for (int copy = 0; copy < copies && !printer->collateCopies(); ++copy)
            sequence.append(page);
    }

    for (qsizetype i = 0; i < sequence.size(); ++i) {
        if (i > 0 && !printer->newPage())
            return;
        printPage(painter, *pages, body, sequence[i], numberRight, numberBaseline);
    }
}
