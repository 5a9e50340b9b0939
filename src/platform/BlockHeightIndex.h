#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

// The heights of a document's paragraphs, in order, with the sums that turn a
// paragraph number into its top edge and an edge back into a paragraph
// number in logarithmic time. A height is either measured (the paragraph was
// laid out) or estimated from the paragraph's length; estimates are what let
// a large document be shown without laying out every paragraph first.
//
// Each paragraph costs 8 bytes: its height, its length in characters
// (kept so that estimates can be made again when the line width changes,
// without walking the document) and its kind.
//
// A table is laid out a row at a time, and the paragraphs of its cells sit
// side by side: the first paragraph of a row carries the whole row's height
// and the row's other paragraphs none, so that the sums still turn a
// paragraph number into the top of what it belongs to.
class BlockHeightIndex
{
public:
    enum class Kind : quint8 {
        Paragraph,  // a paragraph of its own
        RowStart,   // the first paragraph of a table row: the row's height
        InRow,      // any other paragraph of a table row: no height
        Hidden,     // an empty paragraph that only separates a table from
                    // what is before it: no height
    };
    struct Item
    {
        qsizetype length = 1;
        Kind kind = Kind::Paragraph;
    };

    // How long a paragraph of a given length is expected to be.
    struct Estimate
    {
        qreal lineHeight = 16;
        qreal charWidth = 8;
        qreal lineWidth = 0;  // 0 or less: lines never wrap
        qreal rowExtra = 8;   // a table row's borders and padding
        qreal height(qsizetype length, Kind kind = Kind::Paragraph) const;
    };

    qsizetype size() const { return qsizetype(m_entries.size()); }
    void setEstimate(const Estimate& estimate);  // re-estimates every paragraph
    const Estimate& estimate() const { return m_estimate; }

    // Replaces paragraphs [first, first + removed) with the given ones, all
    // estimated.
    void replace(qsizetype first, qsizetype removed, const std::vector<Item>& items);
    void replace(qsizetype first, qsizetype removed, const std::vector<qsizetype>& lengths);
    void clear();
    // Makes the index afresh: count paragraphs, all estimated, which
    // nextItem() gives in order.
    template <typename NextItem>
    void assign(qsizetype count, NextItem nextItem)
    {
        m_entries.clear();
        m_entries.shrink_to_fit();
        m_entries.reserve(size_t(count));
        for (qsizetype i = 0; i < count; ++i)
            m_entries.push_back(estimated(nextItem()));
        rebuildSums();
    }

    bool isMeasured(qsizetype index) const { return m_entries[size_t(index)].measured; }
    qreal height(qsizetype index) const;
    qsizetype length(qsizetype index) const { return m_entries[size_t(index)].length; }
    Kind kind(qsizetype index) const { return Kind(m_entries[size_t(index)].kind); }
    // Records a measured height (and the paragraph's length); returns how
    // much the paragraph grew.
    qreal setMeasured(qsizetype index, qreal height, qsizetype length);
    // Forgets a measurement: the paragraph is estimated again.
    void setEstimated(qsizetype index, qsizetype length);
    // Keeps the measured height, but as an estimate: the paragraph is to be
    // laid out again (at a new width, where its old height is a better guess
    // than its length gives).
    void keepAsEstimate(qsizetype index) { m_entries[size_t(index)].measured = 0; }

    qreal top(qsizetype index) const;  // sum of the heights before index
    qreal total() const { return m_total; }
    // The paragraph whose extent holds y; the first for y < 0, the last for
    // y at or past the end. -1 when there are no paragraphs.
    qsizetype indexAt(qreal y) const;

private:
    struct Entry
    {
        float height;
        quint32 length : 29;
        quint32 kind : 2;
        quint32 measured : 1;  // otherwise an estimate
    };
    Entry estimated(const Item& item) const;
    // Lengths past 2^29 cannot be kept; a paragraph that long is estimated
    // as one of 2^29 characters.
    static qsizetype clampedLength(qsizetype length)
    {
        return std::clamp<qsizetype>(length, 0, (qsizetype(1) << 29) - 1);
    }
    static constexpr qsizetype ChunkSize = 128;

    static qreal entryHeight(const Entry& entry) { return entry.height; }
    void addToChunk(qsizetype chunk, qreal delta);
    double chunkPrefix(qsizetype chunks) const;  // sum of the first chunks
    void rebuildSums();

    std::vector<Entry> m_entries;
    // Fenwick tree over the sums of chunks of ChunkSize paragraphs.
    std::vector<double> m_tree;
    double m_total = 0;
    Estimate m_estimate;
};
