#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The entries of a ListSearch list, in the order they were added. A fill
// hands over the whole list at once, so a list of 100,000 tag names costs
// one model reset rather than 100,000 row insertions.
class ListSearchModel : public QAbstractListModel
{
    Q_OBJECT
public:
    // The entry exactly as it was added; Qt::DisplayRole gives what the list
    // shows, which shortens very long entries and blanks control characters.
    static constexpr int EntryRole = Qt::UserRole;

    explicit ListSearchModel(QObject* parent = nullptr);

    void setEntries(QStringList entries);
    void clear();
    const QStringList& entries() const { return m_entries; }

    // The first entry from the top that begins with text, ignoring case;
    // -1 when none does. The empty text finds nothing, as in the system's
    // own list boxes, so emptying the search box keeps the selection.
    int findPrefix(const QString& text) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList m_entries;
};
