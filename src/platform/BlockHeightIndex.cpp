#include "platform/BlockHeightIndex.h"

#include <QtMath>

#include <algorithm>

qreal BlockHeightIndex::Estimate::height(qsizetype length, Kind kind) const
{
    if (kind == Kind::InRow || kind == Kind::Hidden)
        return 0;
    // The length counts the paragraph's closing break.
    const qsizetype characters = std::max<qsizetype>(0, length - 1);
    qreal lines = 1;
    if (lineWidth > 0 && characters > 0)
        lines = std::max<qreal>(1, qCeil(qreal(characters) * charWidth / lineWidth));
    return lines * lineHeight + (kind == Kind::RowStart ? rowExtra : 0);
}

BlockHeightIndex::Entry BlockHeightIndex::estimated(const Item& item) const
{
    const qsizetype length = clampedLength(item.length);
    return Entry{float(m_estimate.height(length, item.kind)), quint32(length), quint32(item.kind), 0};
}

void BlockHeightIndex::setEstimate(const Estimate& estimate)
{
    m_estimate = estimate;
    for (Entry& entry : m_entries) {
        if (!entry.measured)
            entry.height = float(m_estimate.height(entry.length, Kind(entry.kind)));
    }
    rebuildSums();
}

void BlockHeightIndex::clear()
{
    m_entries.clear();
    rebuildSums();
}

void BlockHeightIndex::replace(qsizetype first, qsizetype removed, const std::vector<qsizetype>& lengths)
{
    std::vector<Item> items;
    items.reserve(lengths.size());
    for (const qsizetype length : lengths)
        items.push_back(Item{length, Kind::Paragraph});
    replace(first, removed, items);
}

void BlockHeightIndex::replace(qsizetype first, qsizetype removed, const std::vector<Item>& items)
{
    first = std::clamp<qsizetype>(first, 0, size());
    removed = std::clamp<qsizetype>(removed, 0, size() - first);
    const auto at = m_entries.begin() + first;
    const qsizetype common = std::min<qsizetype>(removed, qsizetype(items.size()));
    for (qsizetype i = 0; i < common; ++i)
        at[i] = estimated(items[size_t(i)]);
    if (removed > common) {
        m_entries.erase(at + common, at + removed);
    } else if (qsizetype(items.size()) > common) {
        std::vector<Entry> added;
        added.reserve(items.size() - size_t(common));
        for (size_t i = size_t(common); i < items.size(); ++i)
            added.push_back(estimated(items[i]));
        m_entries.insert(at + common, added.begin(), added.end());
    }
    if (removed == qsizetype(items.size()) && removed <= 64 * ChunkSize) {
        // Same count: only the chunks that hold the replaced paragraphs change.
        const qsizetype lastChunk = (first + std::max<qsizetype>(removed, 1) - 1) / ChunkSize;
        for (qsizetype chunk = first / ChunkSize; chunk <= lastChunk && chunk * ChunkSize < size(); ++chunk) {
            double sum = 0;
            const qsizetype end = std::min(size(), (chunk + 1) * ChunkSize);
            for (qsizetype i = chunk * ChunkSize; i < end; ++i)
                sum += entryHeight(m_entries[size_t(i)]);
            addToChunk(chunk, sum - (chunkPrefix(chunk + 1) - chunkPrefix(chunk)));
        }
        return;
    }
    rebuildSums();
}

qreal BlockHeightIndex::height(qsizetype index) const
{
    return entryHeight(m_entries[size_t(index)]);
}

qreal BlockHeightIndex::setMeasured(qsizetype index, qreal height, qsizetype length)
{
    Entry& entry = m_entries[size_t(index)];
    const qreal before = entryHeight(entry);
    entry.height = float(std::max<qreal>(0, height));
    entry.length = quint32(clampedLength(length));
    entry.measured = 1;
    const qreal delta = qreal(entry.height) - before;
    if (delta != 0)
        addToChunk(index / ChunkSize, delta);
    return delta;
}

void BlockHeightIndex::setEstimated(qsizetype index, qsizetype length)
{
    Entry& entry = m_entries[size_t(index)];
    const qreal before = entryHeight(entry);
    entry = estimated(Item{length, Kind(entry.kind)});
    const qreal delta = entryHeight(entry) - before;
    if (delta != 0)
        addToChunk(index / ChunkSize, delta);
}

void BlockHeightIndex::addToChunk(qsizetype chunk, qreal delta)
{
    for (qsizetype k = chunk + 1; k <= qsizetype(m_tree.size()); k += k & -k)
        m_tree[size_t(k - 1)] += delta;
    m_total += delta;
}

void BlockHeightIndex::rebuildSums()
{
    const qsizetype chunks = (size() + ChunkSize - 1) / ChunkSize;
    m_tree.assign(size_t(chunks), 0);
    m_total = 0;
    for (qsizetype i = 0; i < size(); ++i) {
        const qreal h = entryHeight(m_entries[size_t(i)]);
        m_tree[size_t(i / ChunkSize)] += h;
        m_total += h;
    }
    // Turn the chunk sums into a Fenwick tree in place.
    for (qsizetype k = 1; k <= chunks; ++k) {
        const qsizetype parent = k + (k & -k);
        if (parent <= chunks)
            m_tree[size_t(parent - 1)] += m_tree[size_t(k - 1)];
    }
}

double BlockHeightIndex::chunkPrefix(qsizetype chunks) const
{
    double sum = 0;
    for (qsizetype k = chunks; k > 0; k -= k & -k)
        sum += m_tree[size_t(k - 1)];
    return sum;
}

qreal BlockHeightIndex::top(qsizetype index) const
{
    index = std::clamp<qsizetype>(index, 0, size());
    const qsizetype chunk = index / ChunkSize;
    double sum = chunkPrefix(chunk);
    for (qsizetype i = chunk * ChunkSize; i < index; ++i)
        sum += entryHeight(m_entries[size_t(i)]);
    return sum;
}

qsizetype BlockHeightIndex::indexAt(qreal y) const
{
    if (m_entries.empty())
        return -1;
    if (y < 0)
        return 0;
    // Descend the tree: 'chunk' whole chunks end at or above y.
    const qsizetype chunks = qsizetype(m_tree.size());
    qsizetype chunk = 0;
    double before = 0;
    qsizetype step = 1;
    while (step * 2 <= chunks)
        step *= 2;
    for (; step > 0; step /= 2) {
        const qsizetype next = chunk + step;
        if (next <= chunks && before + m_tree[size_t(next - 1)] <= y) {
            chunk = next;
            before += m_tree[size_t(next - 1)];
        }
    }
    for (qsizetype i = chunk * ChunkSize; i < size(); ++i) {
        before += entryHeight(m_entries[size_t(i)]);
        if (before > y)
            return i;
    }
    return size() - 1;
}
