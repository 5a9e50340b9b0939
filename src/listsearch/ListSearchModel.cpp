#include "listsearch/ListSearchModel.h"

#include <algorithm>
#include <climits>

namespace {

// A list row shows one line; an entry of a million characters would make
// every repaint lay all of them out.
constexpr qsizetype DisplayLimit = 256;

QString displayText(const QString& entry)
{
    const bool tooLong = entry.size() > DisplayLimit;
    QString shown = tooLong ? entry.left(DisplayLimit) : entry;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    if (tooLong)
        shown += QChar(0x2026);  // …
    return shown;
}

} // namespace

ListSearchModel::ListSearchModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void ListSearchModel::setEntries(QStringList entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

void ListSearchModel::clear()
{
    setEntries(QStringList());
}

int ListSearchModel::findPrefix(const QString& text) const
{
    if (text.isEmpty())
        return -1;
    const qsizetype count = m_entries.size();
    for (qsizetype row = 0; row < count; ++row) {
        if (m_entries.at(row).startsWith(text, Qt::CaseInsensitive))
            return int(row);
    }
    return -1;
}

int ListSearchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(std::min<qsizetype>(m_entries.size(), INT_MAX));
}

QVariant ListSearchModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    const QString& entry = m_entries.at(index.row());
    if (role == Qt::DisplayRole)
        return displayText(entry);
    if (role == EntryRole)
        return entry;
    return QVariant();
}
