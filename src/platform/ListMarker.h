#pragma once

class QPainter;
class QPalette;
class QPointF;
class QTextBlock;
class QTextCharFormat;

// The bullet or number in front of a list item (a paragraph of a QTextList):
// a disc, circle or square, or the item's number in the list's style
// (1, a, A, i, I with the list's prefix and suffix), right-aligned a space
// before the first line's text, in the paragraph's own font, as Qt prints it.
class ListMarker
{
public:
    // origin: where the paragraph's layout stands on the painter.
    // selection: the format of a selection that takes the whole marker, or
    // nullptr.
    static void draw(QPainter* painter, const QTextBlock& block, const QPointF& origin, const QPalette& palette,
                     const QTextCharFormat* selection);
};
