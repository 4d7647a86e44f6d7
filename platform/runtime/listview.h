#pragma once
// The list view control in report view.
#include "control.h"
#include "listrows.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vb {

struct ColumnHeader {
    QString key;
    QString text;
    int width = 1440;
};

struct ListViewProps {
    std::vector<ColumnHeader> columns;
    std::vector<ListItem> items;
    std::shared_ptr<ListRows> rows; // instead of items, when set
    int selected = -1;
    int sortKey = 0, sortOrder = 0;
    bool sorted = false;
};

// List view in report view: column headers, rows of text and sub-items,
// one selected row, sorting by the text of the sort column. The rows are
// either added one by one or read from a row source as they are needed.
class ListView : public WithProps<ListViewProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::ListView; }
    bool focusable() const override { return true; }

    void addColumn(const QString &key, const QString &text, int width);
    void clearColumns();
    const std::vector<ColumnHeader> &columns() const { return m_p.columns; }

    // Adds a row at the end (in sort order when Sorted); returns its position.
    int addItem(const QString &key, const QString &text);
    // Sets sub-item i (1-based) of the row at position row.
    void setSubItem(int row, int i, const QString &text);
    // Drops every row (and the row source).
    void clearItems();
    // Shows the rows of a source in place of the added ones; the first row
    // is selected, as when the first row is added.
    void setRows(std::shared_ptr<ListRows> rows);
    const std::shared_ptr<ListRows> &rows() const { return m_p.rows; }
    int count() const;
    ListItem item(int row) const;

    // Position of the selected row, -1 without one. Adding the first row
    // selects it.
    int selectedRow() const;
    void setSelectedRow(int row);
    std::optional<ListItem> SelectedItem() const;

    int SortKey() const { return m_p.sortKey; }
    void setSortKey(int column);
    int SortOrder() const { return m_p.sortOrder; } // 0 ascending, 1 descending
    void setSortOrder(int order);
    bool Sorted() const { return m_p.sorted; }
    void setSorted(bool v);

    // Column headers are 1-based in events, as the forms count them.
    std::function<void(int column)> onColumnClick;
    std::function<void(int row)> onItemClick;

    void restoreDesign() override;

private:
    void sortNow();
    // A source sorts when it is next read; the selection then finds its row.
    struct Follow {
        bool pending = false;
        qint64 identity = 0;
    };
    mutable Follow m_follow;
};

} // namespace vb
