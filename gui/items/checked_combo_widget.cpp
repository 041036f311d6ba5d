#include "checked_combo_widget.hpp"

#include "ui/qt_text.hpp"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace lw::gui {

CheckedComboWidget::CheckedComboWidget(CheckedComboBox& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName("_GroupText");
    edit_->setReadOnly(true);
    edit_->installEventFilter(this);
    // White while the box does not have the focus.
    edit_->setStyleSheet("QLineEdit { background: white; }");
    button_ = new QToolButton(this);
    button_->setObjectName("_GroupButton");
    button_->setArrowType(Qt::DownArrow);
    button_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_, 1);
    layout->addWidget(button_);

    popup_ = new QFrame(this, Qt::Popup);
    popup_->setObjectName("_GroupDropDown");
    popup_->setFrameShape(QFrame::Box);
    // A second click on the button closes the list instead of opening it again.
    popup_->setAttribute(Qt::WA_NoMouseReplay);
    popup_->installEventFilter(this);
    list_ = new QListWidget(popup_);
    list_->setObjectName("_GroupList");
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* popupLayout = new QVBoxLayout(popup_);
    popupLayout->setContentsMargins(0, 0, 0, 0);
    popupLayout->addWidget(list_);

    connect(button_, &QToolButton::clicked, this, [this] {
        if (popupVisible())
            hidePopup();
        else
            showPopup();
    });
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { model_.clickItem(list_->row(item)); });
    connect(list_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(list_);
        QAction* all = menu.addAction("全选");
        QAction* none = menu.addAction("取消全选");
        QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(at));
        if (chosen == all)
            model_.selectAll();
        else if (chosen == none)
            model_.clearAll();
    });
    connections_.push_back(model_.rebuilt.connect([this] { rebuild(); }));
    connections_.push_back(model_.changed.connect([this] { refresh(); }));
    rebuild();
}

void CheckedComboWidget::rebuild() {
    QSignalBlocker block(list_);
    list_->clear();
    for (const std::string& name : model_.items()) {
        auto* item = new QListWidgetItem(toQ(name), list_);
        // Ticks change only through the model, which keeps the text in tick order.
        item->setFlags(Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    refresh();
}

void CheckedComboWidget::refresh() {
    QSignalBlocker block(list_);
    for (int i = 0; i < list_->count() && i < model_.count(); ++i)
        list_->item(i)->setCheckState(model_.ticked(i) ? Qt::Checked : Qt::Unchecked);
    edit_->setText(toQ(model_.text()));
    edit_->setToolTip(edit_->text());
}

bool CheckedComboWidget::popupVisible() const {
    return popup_->isVisible();
}

void CheckedComboWidget::showPopup() {
    int rows = std::clamp(dropDownCount, 6, 10);
    int rowHeight =
        list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : fontMetrics().height() + 4;
    int height = rows * rowHeight + 2 * list_->frameWidth() + 2;
    QPoint below = mapToGlobal(QPoint(0, this->height()));
    QRect screen =
        (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    QPoint at = below;
    // Too close to the bottom of the screen: open above the box.
    if (below.y() + height > screen.bottom() - 20)
        at = mapToGlobal(QPoint(0, -height));
    popup_->setGeometry(at.x(), at.y(), width(), height);
    popup_->show();
    list_->setFocus();
}

void CheckedComboWidget::hidePopup() {
    popup_->hide();
}

bool CheckedComboWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == popup_ && event->type() == QEvent::Hide) {
        if (onClosed)
            onClosed();
        return false;
    }
    if (watched == edit_ && event->type() == QEvent::MouseButtonPress) {
        if (popupVisible())
            hidePopup();
        else
            showPopup();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lw::gui
