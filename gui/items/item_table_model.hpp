#pragma once

#include "items/item_list.hpp"
#include "ui/signal.hpp"

#include <QAbstractTableModel>

#include <vector>

namespace lw::gui {

// Shows the core item list: caption with state icon and tick box, sub-items 0 to 5,
// row colours by position. A tick made in the view goes to the core list.
class ItemTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ItemTableModel(ItemList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    ItemList& list_;
    // Rows the view knows of: a bulk load shows none until it ends.
    int shown_ = 0;
    std::vector<Connection> connections_;
};

} // namespace lw::gui
