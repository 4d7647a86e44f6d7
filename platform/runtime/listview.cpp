#include "listview.h"

#include "errors.h"

#include <algorithm>

namespace vb {

QString ListItem::column(int c) const
{
    if (c <= 0)
        return text;
    if (size_t(c) <= subItems.size())
        return subItems[size_t(c - 1)];
    return QString();
}

void ListView::addColumn(const QString &key, const QString &text, int width)
{
    m_p.columns.push_back({key, text, width});
    changed(Change::Items);
}

void ListView::clearColumns()
{
    m_p.columns.clear();
    changed(Change::Items);
}

int ListView::addItem(const QString &key, const QString &text)
{
    if (m_p.rows)
        clearItems();
    ListItem item{key, text, {}};
    int row = int(m_p.items.size());
    if (m_p.sorted && m_p.sortKey == 0) {
        // Keep the order while adding: insert after equal texts.
        bool desc = m_p.sortOrder != 0;
        auto pos = std::upper_bound(m_p.items.begin(), m_p.items.end(), item,
                                    [desc](const ListItem &a, const ListItem &b) {
                                        int c = QString::compare(a.text, b.text, Qt::CaseInsensitive);
                                        return desc ? c > 0 : c < 0;
                                    });
        row = int(pos - m_p.items.begin());
        m_p.items.insert(pos, std::move(item));
        if (m_p.selected >= row)
            ++m_p.selected;
    } else {
        m_p.items.push_back(std::move(item));
    }
    if (m_p.selected < 0)
        m_p.selected = 0;
    changed(Change::Items);
    return row;
}

void ListView::setSubItem(int row, int i, const QString &text)
{
    if (m_p.rows || row < 0 || row >= count() || i < 1)
        throw RuntimeError::invalidCall();
    auto &subs = m_p.items[size_t(row)].subItems;
    if (subs.size() < size_t(i))
        subs.resize(size_t(i));
    subs[size_t(i - 1)] = text;
    changed(Change::Items);
}

void ListView::clearItems()
{
    m_p.items.clear();
    m_p.rows.reset();
    m_p.selected = -1;
    m_follow = {};
    changed(Change::Items);
}

void ListView::setRows(std::shared_ptr<ListRows> rows)
{
    m_p.items.clear();
    m_p.rows = std::move(rows);
    m_follow = {};
    m_p.selected = m_p.rows && m_p.rows->count() > 0 ? 0 : -1;
    changed(Change::Items);
}

int ListView::count() const { return m_p.rows ? m_p.rows->count() : int(m_p.items.size()); }

ListItem ListView::item(int row) const
{
    if (row < 0 || row >= count())
        throw RuntimeError::invalidCall();
    return m_p.rows ? m_p.rows->row(row) : m_p.items[size_t(row)];
}

int ListView::selectedRow() const
{
    if (m_follow.pending) {
        m_follow.pending = false;
        const_cast<ListView *>(this)->m_p.selected = m_p.rows ? m_p.rows->positionOf(m_follow.identity) : -1;
    }
    return m_p.selected;
}

void ListView::setSelectedRow(int row)
{
    if (row < -1 || row >= count())
        throw RuntimeError::invalidCall();
    m_follow = {};
    m_p.selected = row;
    changed(Change::Selection);
}

std::optional<ListItem> ListView::SelectedItem() const
{
    const int row = selectedRow();
    if (row < 0)
        return std::nullopt;
    return item(row);
}

void ListView::setSortKey(int column)
{
    m_p.sortKey = column;
    if (m_p.sorted)
        sortNow();
}

void ListView::setSortOrder(int order)
{
    m_p.sortOrder = order;
    if (m_p.sorted)
        sortNow();
}

void ListView::setSorted(bool v)
{
    m_p.sorted = v;
    if (v)
        sortNow();
}

void ListView::restoreDesign()
{
    WithProps::restoreDesign();
    m_follow = {};
}

void ListView::sortNow()
{
    // Stable, by the shown text of the sort column (text order: "10" < "9").
    int key = m_p.sortKey;
    if (m_p.rows) {
        // The source sorts when next read, so the property writes of one
        // column click cost one ordering.
        if (!m_follow.pending && m_p.selected >= 0) {
            m_follow.identity = m_p.rows->identity(m_p.selected);
            m_follow.pending = true;
        }
        m_p.rows->sort(key, m_p.sortOrder != 0);
        changed(Change::Items);
        return;
    }
    const int selected = m_p.selected;
    ListItem selCopy = selected >= 0 ? m_p.items[size_t(selected)] : ListItem{};
    if (m_p.sortOrder == 0)
        std::stable_sort(m_p.items.begin(), m_p.items.end(), [key](const ListItem &a, const ListItem &b) {
            return QString::compare(a.column(key), b.column(key), Qt::CaseInsensitive) < 0;
        });
    else
        std::stable_sort(m_p.items.begin(), m_p.items.end(), [key](const ListItem &a, const ListItem &b) {
            return QString::compare(a.column(key), b.column(key), Qt::CaseInsensitive) > 0;
        });
    if (selected >= 0) {
        for (size_t i = 0; i < m_p.items.size(); ++i)
            if (m_p.items[i].key == selCopy.key && m_p.items[i].text == selCopy.text) {
                m_p.selected = int(i);
                break;
            }
    }
    changed(Change::Items);
}

} // namespace vb
