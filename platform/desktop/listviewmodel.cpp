#include "listviewmodel.h"

#include "runtime/errors.h"
#include "runtime/host.h"

#include <algorithm>

namespace vb {

ListViewModel::ListViewModel(ListView &list, QObject *parent) : QAbstractTableModel(parent), m_list(list)
{
    m_rows = m_list.count();
    m_columns = std::max(1, int(m_list.columns().size()));
}

int ListViewModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int ListViewModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant ListViewModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows)
        return QVariant();
    // Rows of a source are read while the view paints; a row that cannot
    // be read shows empty rather than ending the program.
    try {
        NoWaiting painting;
        return m_list.item(index.row()).column(index.column());
    } catch (const RuntimeError &) {
        return QVariant();
    }
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    const auto &cols = m_list.columns();
    if (section < 0 || size_t(section) >= cols.size())
        return QVariant();
    return cols[size_t(section)].text;
}

void ListViewModel::reload()
{
    beginResetModel();
    try {
        NoWaiting painting;
        m_rows = m_list.count();
    } catch (const RuntimeError &) {
        m_rows = 0;
    }
    m_columns = std::max(1, int(m_list.columns().size()));
    endResetModel();
}

} // namespace vb
