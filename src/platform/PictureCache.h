#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <list>
#include <unordered_map>

// Decoded pictures, by name and size, the least recently drawn given up
// first once they take more than the budget. A document keeps its pictures
// as the file held them (JPEG, PNG) and decodes one only to draw it, so a
// document of hundreds of photos costs the memory of the few on screen.
class PictureCache
{
public:
    explicit PictureCache(qsizetype budgetBytes);

    // A null image when the picture is not held at that size.
    QImage find(const QString& name, const QSize& size);
    void insert(const QString& name, const QSize& size, const QImage& image);
    void clear();

    qsizetype bytes() const { return m_bytes; }
    qsizetype budget() const { return m_budget; }
    void setBudget(qsizetype budgetBytes);

private:
    struct Item
    {
        QString key;
        QImage image;
    };
    static QString keyOf(const QString& name, const QSize& size);
    void trim();

    std::list<Item> m_items;  // most recently drawn first
    std::unordered_map<QString, std::list<Item>::iterator> m_index;
    qsizetype m_bytes = 0;
    qsizetype m_budget;
};
