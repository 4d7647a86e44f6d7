#pragma once
// A table model that reads a list view's rows where they are kept, so that
// a list of a hundred thousand rows costs no widget and no copy.
#include "runtime/control.h"
#include "runtime/listview.h"

#include <QAbstractTableModel>

namespace vb {

class ListViewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ListViewModel(ListView &list, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The rows or columns changed: the views read them afresh.
    void reload();

private:
    ListView &m_list;
    // Sizes as of the last reload: the view is told of changes only then.
    int m_rows = 0;
    int m_columns = 1;
};

} // namespace vb
