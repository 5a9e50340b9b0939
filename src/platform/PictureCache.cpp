#include "platform/PictureCache.h"

PictureCache::PictureCache(qsizetype budgetBytes)
    : m_budget(budgetBytes)
{
}

QString PictureCache::keyOf(const QString& name, const QSize& size)
{
    return name + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height());
}

QImage PictureCache::find(const QString& name, const QSize& size)
{
    const auto it = m_index.find(keyOf(name, size));
    if (it == m_index.end())
        return QImage();
    m_items.splice(m_items.begin(), m_items, it->second);
    return it->second->image;
}

void PictureCache::insert(const QString& name, const QSize& size, const QImage& image)
{
    const QString key = keyOf(name, size);
    if (const auto it = m_index.find(key); it != m_index.end()) {
        m_bytes -= it->second->image.sizeInBytes();
        m_items.erase(it->second);
        m_index.erase(it);
    }
    m_items.push_front(Item{key, image});
    m_index.emplace(key, m_items.begin());
    m_bytes += image.sizeInBytes();
    trim();
}

void PictureCache::clear()
{
    m_items.clear();
    m_index.clear();
    m_bytes = 0;
}

void PictureCache::setBudget(qsizetype budgetBytes)
{
    m_budget = budgetBytes;
    trim();
}

// The picture just drawn stays even when it alone is over the budget: the
// next paint would only decode it again.
void PictureCache::trim()
{
    while (m_bytes > m_budget && m_items.size() > 1) {
        const Item& last = m_items.back();
        m_bytes -= last.image.sizeInBytes();
        m_index.erase(last.key);
        m_items.pop_back();
    }
}
