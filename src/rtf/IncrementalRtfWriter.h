#pragma once

#include "rtf/RtfWriter.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>

#include <memory>
#include <vector>

class QTextDocument;

// The RTF of a document that is being edited, kept up to date piece by
// piece, so that writing it again costs about what was edited since.
//
// The document is cut into pieces of about PieceSize characters: whole
// paragraphs, a table whole, a longer paragraph in several parts. Each is
// written alone (RtfWriter::Pieces). An edit marks the pieces it touches as
// out of date; when they are written again, so are their neighbours (once,
// however many edits land meanwhile); the others keep what was written.
// update() writes what is out of date until a deadline, so a large document
// is written over several turns of the event loop while the user types on;
// what the user changes meanwhile is simply out of date again, never a
// reason to start over.
class IncrementalRtfWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr int PieceSize = 16 * 1024;

    explicit IncrementalRtfWriter(QTextDocument* document, int pieceSize = PieceSize, QObject* parent = nullptr);
    ~IncrementalRtfWriter() override;

    // Writes the pieces that are out of date until none is left (true) or
    // the deadline has passed (false; the next call goes on from there).
    bool update(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    bool isCurrent() const;
    // The whole RTF in parts to be joined in this order, as current as the
    // last update() left it.
    QList<QByteArray> pieces() const;

private:
    struct Piece
    {
        int length = 0;  // characters of the document
        QByteArray rtf;
        bool breakAfter = false;  // ends with a whole paragraph
        bool current = false;
        bool widened = false;  // out of date, with its neighbours taken in
    };
    void contentsChange(int position, int removed, int added);
    void startOver();
    int pieceEnd(int from, int limit) const;
    size_t writeOutOfDate(size_t index, int start, const QDeadlineTimer& deadline);

    QTextDocument* m_document;
    int m_pieceSize;
    std::unique_ptr<RtfWriter::Pieces> m_writer;
    std::vector<Piece> m_pieces;
    int m_length = 0;  // of all pieces: the document's characterCount() while in step
};
