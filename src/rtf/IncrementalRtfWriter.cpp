#include "rtf/IncrementalRtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>

IncrementalRtfWriter::IncrementalRtfWriter(QTextDocument* document, int pieceSize, QObject* parent)
    : QObject(parent)
    , m_document(document)
    , m_pieceSize(std::max(1, pieceSize))
{
    // A document reports its edits only once it has a layout.
    document->documentLayout();
    connect(document, &QTextDocument::contentsChange, this, &IncrementalRtfWriter::contentsChange);
    startOver();
}

IncrementalRtfWriter::~IncrementalRtfWriter() = default;

// Everything out of date, with fresh font and colour tables.
void IncrementalRtfWriter::startOver()
{
    m_writer = std::make_unique<RtfWriter::Pieces>(m_document);
    m_length = m_document->characterCount();
    m_pieces.assign(1, Piece{m_length, {}, false, false, true});
}

// The pieces from the one the edit starts in to the one its end (in the
// text before it) falls in become one piece out of date, to be written with
// its neighbours: a paragraph joined to the next or split, and what a table
// beside it makes of a paragraph, reach no further. An edit within a piece
// whose neighbours are already taken in adds none. An edit reported in a
// way that does not add up (Qt reports some whole-document replacements
// so) puts everything out of date.
void IncrementalRtfWriter::contentsChange(int position, int removed, int added)
{
    if (position < 0 || removed < 0 || added < 0 || position + removed > m_length) {
        startOver();
        return;
    }
    size_t first = 0;
    int start = 0;
    while (first + 1 < m_pieces.size() && start + m_pieces[first].length <= position)
        start += m_pieces[first++].length;
    size_t last = first;
    int end = start + m_pieces[first].length;
    while (last + 1 < m_pieces.size() && end <= position + removed)
        end += m_pieces[++last].length;

    const bool widened = first == last && m_pieces[first].widened;
    Piece merged{end - start - removed + added, {}, false, false, widened};
    m_pieces.erase(m_pieces.begin() + qsizetype(first) + 1, m_pieces.begin() + qsizetype(last) + 1);
    m_pieces[first] = std::move(merged);
    m_length += added - removed;
    if (m_pieces[first].length <= 0 || m_length != m_document->characterCount())
        startOver();
}

// Where a piece that starts at from ends: after whole paragraphs or a
// whole table, about m_pieceSize characters on; within a paragraph only when
// that paragraph alone is longer. It ends at limit (the end of what is out
// of date) or past it, when the document's structure has changed there.
int IncrementalRtfWriter::pieceEnd(int from, int limit) const
{
    const QTextFrame* root = m_document->rootFrame();
    int end = from;
    while (end < m_length) {
        int itemEnd = 0;
        QTextFrame* frame = m_document->frameAt(end);
        if (frame && frame != root) {
            while (frame->parentFrame() && frame->parentFrame() != root)
                frame = frame->parentFrame();
            itemEnd = frame->lastPosition() + 1;
        } else {
            const QTextBlock block = m_document->findBlock(end);
            itemEnd = block.position() + block.length();
            if (itemEnd - from > m_pieceSize) {
                if (end > from)
                    break;  // the long paragraph starts the next piece
                return std::min(itemEnd, from + m_pieceSize);
            }
        }
        end = std::max(itemEnd, end + 1);
        if (end >= limit || end - from >= m_pieceSize)
            break;
    }
    return std::min(end, m_length);
}

// Writes the piece at index (out of date, starting at start) as pieces that
// are current, as many as the deadline allows, at least one. Returns how
// many current pieces now stand at index.
size_t IncrementalRtfWriter::writeOutOfDate(size_t index, int start, const QDeadlineTimer& deadline)
{
    int end = start + m_pieces[index].length;
    std::vector<Piece> fresh;
    int at = start;
    while (at < end && (fresh.empty() || !deadline.hasExpired())) {
        const int to = pieceEnd(at, end);
        // A paragraph or table now reaches into the pieces after: they are
        // written again with it.
        while (to > end && index + 1 < m_pieces.size()) {
            end += m_pieces[index + 1].length;
            m_pieces.erase(m_pieces.begin() + qsizetype(index) + 1);
        }
        Piece piece{to - at, {}, false, true, false};
        piece.rtf = m_writer->write(at, to, &piece.breakAfter);
        fresh.push_back(std::move(piece));
        at = to;
    }
    const size_t written = fresh.size();
    if (at < end)
        fresh.push_back(Piece{end - at, {}, false, false, true});
    m_pieces.erase(m_pieces.begin() + qsizetype(index));
    m_pieces.insert(m_pieces.begin() + qsizetype(index), std::make_move_iterator(fresh.begin()),
                    std::make_move_iterator(fresh.end()));
    return written;
}

bool IncrementalRtfWriter::update(QDeadlineTimer deadline)
{
    if (m_length != m_document->characterCount())
        startOver();
    bool progressed = false;
    int start = 0;
    for (size_t i = 0; i < m_pieces.size();) {
        if (m_pieces[i].current) {
            start += m_pieces[i++].length;
            continue;
        }
        if (progressed && deadline.hasExpired())
            return false;
        if (!m_pieces[i].widened) {
            // Written again with a neighbour on either side.
            if (i > 0) {
                start -= m_pieces[--i].length;
                m_pieces[i].length += m_pieces[i + 1].length;
                m_pieces.erase(m_pieces.begin() + qsizetype(i) + 1);
            }
            if (i + 1 < m_pieces.size()) {
                m_pieces[i].length += m_pieces[i + 1].length;
                m_pieces.erase(m_pieces.begin() + qsizetype(i) + 1);
            }
            m_pieces[i] = Piece{m_pieces[i].length, {}, false, false, true};
        }
        for (size_t written = writeOutOfDate(i, start, deadline); written > 0; --written)
            start += m_pieces[i++].length;
        progressed = true;
    }
    return true;
}

bool IncrementalRtfWriter::isCurrent() const
{
    return m_length == m_document->characterCount()
        && std::all_of(m_pieces.begin(), m_pieces.end(), [](const Piece& piece) { return piece.current; });
}

QList<QByteArray> IncrementalRtfWriter::pieces() const
{
    QList<QByteArray> out;
    out.reserve(qsizetype(m_pieces.size()) * 2 + 2);
    out.append(m_writer->header());
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        out.append(m_pieces[i].rtf);
        if (m_pieces[i].breakAfter && i + 1 < m_pieces.size())
            out.append(RtfWriter::Pieces::paragraphBreak());
    }
    out.append(RtfWriter::Pieces::end());
    return out;
}
