#include "item_table_model.hpp"

#include "items/item_looks.hpp"
#include "ui/qt_icons.hpp"
#include "ui/qt_text.hpp"

#include <QBrush>
#include <QColor>

namespace lw::gui {

ItemTableModel::ItemTableModel(ItemList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), shown_(list.updating() ? 0 : list.size()) {
    connections_.push_back(list_.updateBegun.connect([this] {
        beginResetModel();
        shown_ = 0;
        endResetModel();
    }));
    connections_.push_back(list_.reset.connect([this] {
        beginResetModel();
        shown_ = list_.size();
        endResetModel();
    }));
    connections_.push_back(list_.rowsAppended.connect([this](int first, int count) {
        beginInsertRows({}, first, first + count - 1);
        shown_ = list_.size();
        endInsertRows();
    }));
    connections_.push_back(list_.rowsChanged.connect([this](int first, int last) {
        if (first >= shown_)
            return;
        last = std::min(last, shown_ - 1);
        Q_EMIT dataChanged(index(first, 0), index(last, kColumnCount - 1));
    }));
}

int ItemTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int ItemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ItemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_ || index.row() >= list_.size())
        return {};
    const ItemRow& row = list_.row(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return toQ(row.columnText(index.column()));
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return row.ticked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0)
            return stateIcon(row.icon);
        return {};
    case Qt::BackgroundRole: {
        Rgb c = rowBackground(index.row());
        return QBrush(QColor(c.r, c.g, c.b));
    }
    case Qt::ForegroundRole:
        // The check's marks of trouble stand out from the pale rows.
        if (index.column() == kSubCheck + 1) {
            if (row.sub[kSubCheck] == checkMarkText(CheckState::Errors))
                return QBrush(QColor(0xB0, 0x00, 0x20));
            if (row.sub[kSubCheck] == checkMarkText(CheckState::Warnings))
                return QBrush(QColor(0xA0, 0x50, 0x00));
        }
        return QBrush(Qt::black);
    default:
        return {};
    }
}

bool ItemTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != 0 || index.row() >= shown_)
        return false;
    list_.setTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QVariant ItemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount)
        return {};
    return toQ(kItemColumnHeaders[static_cast<size_t>(section)]);
}

Qt::ItemFlags ItemTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

} // namespace lw::gui
