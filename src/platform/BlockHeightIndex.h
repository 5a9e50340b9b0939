#pragma once

#include <QtGlobal>

#include <vector>

// The heights of a document's paragraphs, in order, with the sums that turn a
// paragraph number into its top edge and an edge back into a paragraph
// number in logarithmic time. A height is either measured (the paragraph was
// laid out) or estimated from the paragraph's length; estimates are what let
// a large document be shown without laying out every paragraph first.
//
// Each paragraph costs 8 bytes: its height and its length in characters
// (kept so that estimates can be made again when the line width changes,
// without walking the document).
class BlockHeightIndex
{
public:
    // How long a paragraph of a given length is expected to be.
    struct Estimate
    {
        qreal lineHeight = 16;
        qreal charWidth = 8;
        qreal lineWidth = 0;  // 0 or less: lines never wrap
        qreal height(qsizetype length) const;
    };

    qsizetype size() const { return qsizetype(m_entries.size()); }
    void setEstimate(const Estimate& estimate);  // re-estimates every paragraph
    const Estimate& estimate() const { return m_estimate; }

    // Replaces paragraphs [first, first + removed) with paragraphs of the
    // given lengths, all estimated.
    void replace(qsizetype first, qsizetype removed, const std::vector<qsizetype>& lengths);
    void clear();
    // Makes the index afresh: count paragraphs, all estimated, whose lengths
    // nextLength() gives in order.
    template <typename NextLength>
    void assign(qsizetype count, NextLength nextLength)
    {
        m_entries.clear();
        m_entries.shrink_to_fit();
        m_entries.reserve(size_t(count));
        for (qsizetype i = 0; i < count; ++i) {
            const qsizetype length = nextLength();
            m_entries.push_back(Entry{-float(m_estimate.height(length)), qint32(length)});
        }
        rebuildSums();
    }

    bool isMeasured(qsizetype index) const { return m_entries[size_t(index)].height >= 0; }
    qreal height(qsizetype index) const;
    qsizetype length(qsizetype index) const { return m_entries[size_t(index)].length; }
    // Records a measured height (and the paragraph's length); returns how
    // much the paragraph grew.
    qreal setMeasured(qsizetype index, qreal height, qsizetype length);
    // Forgets a measurement: the paragraph is estimated again.
    void setEstimated(qsizetype index, qsizetype length);

    qreal top(qsizetype index) const;  // sum of the heights before index
    qreal total() const { return m_total; }
    // The paragraph whose extent holds y; the first for y < 0, the last for
    // y at or past the end. -1 when there are no paragraphs.
    qsizetype indexAt(qreal y) const;

private:
    struct Entry
    {
        float height;  // negative: an estimate, of -height
        qint32 length;
    };
    static constexpr qsizetype ChunkSize = 128;

    qreal entryHeight(const Entry& entry) const { return entry.height >= 0 ? entry.height : -entry.height; }
    void addToChunk(qsizetype chunk, qreal delta);
    double chunkPrefix(qsizetype chunks) const;  // sum of the first chunks
    void rebuildSums();

    std::vector<Entry> m_entries;
    // Fenwick tree over the sums of chunks of ChunkSize paragraphs.
    std::vector<double> m_tree;
    double m_total = 0;
    Estimate m_estimate;
};
