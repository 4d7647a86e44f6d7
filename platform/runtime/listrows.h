#pragma once
// The rows a list view shows, and the interface of a source that holds them
// for it (such as the rows of a query). Qt Core only: the database layer
// implements the source without the controls.
#include <QString>
#include <QtGlobal>
#include <vector>

namespace vb {

struct ListItem {
    QString key;
    QString text;
    std::vector<QString> subItems; // sub-item 1 is subItems[0]
    // Text shown in column c (0 is the item's own text).
    QString column(int c) const;
};

// Rows that a list view shows without holding them, such as the rows of a
// query: read by position as they come into view, and put in order by the
// source itself.
class ListRows
{
public:
    virtual ~ListRows() = default;
    virtual int count() = 0;
    // The row at a position (0-based, below count()).
    virtual ListItem row(int position) = 0;
    // What names the row at a position whatever the order, and where the row
    // so named stands now (-1 when it is gone).
    virtual qint64 identity(int position) = 0;
    virtual int positionOf(qint64 identity) = 0;
    // Orders the rows by the shown text of a column (0 the row's own text)
    // without regard to case; rows with equal texts keep their order. The
    // work may wait until the rows are next read.
    virtual void sort(int column, bool descending) = 0;
};

} // namespace vb
