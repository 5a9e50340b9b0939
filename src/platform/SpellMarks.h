#pragma once

#include "platform/SpellWordScanner.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <optional>

class QPainter;
class QPointF;
class QRectF;
class QTextBlock;
class QTextDocument;
class QWidget;
class SpellChecker;

// The red wavy lines under misspelt words of one editor. They are drawn by
// the editor's layout for the paragraphs it paints, and nothing of them
// enters the document: not its text, its formats or its undo history.
//
// A paragraph's misspelt words are kept with the paragraph until its text
// changes (or the checker's verdicts do). Of a very long paragraph only the
// lines being painted are looked at, each time.
class SpellMarks : public QObject
{
    Q_OBJECT
public:
    using Word = SpellWordScanner::Word;

    // view is repainted whenever the marks may have changed.
    SpellMarks(QTextDocument* document, QWidget* view);

    void setChecker(SpellChecker* checker);
    SpellChecker* checker() const { return m_checker; }

    // The misspelt words of a paragraph, positions within the paragraph;
    // none while checking is not active.
    QList<Word> misspelt(const QTextBlock& block);
    // The misspelt word holding, or ending at, a position of the document.
    // Its start is a position of the document.
    std::optional<Word> misspeltWordAt(int position);

    // The layout's decoration for one paragraph.
    void paint(QPainter* painter, const QTextBlock& block, const QPointF& offset, const QRectF& clip);

private:
    // Words of the block among its characters [from, to), looked up afresh.
    QList<Word> misspeltIn(const QTextBlock& block, int from, int to);
    // The misspelt words of text, which starts at offset in its paragraph,
    // that reach into [from, to); a word at an edge the text was cut at is
    // left out, being only part of a word.
    QList<Word> check(QStringView text, qsizetype offset, qsizetype from, qsizetype to, bool cutBefore,
                      bool cutAfter);

    QTextDocument* m_document;
    QPointer<QWidget> m_view;
    QPointer<SpellChecker> m_checker;
};
