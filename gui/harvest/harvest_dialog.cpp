#include "harvest_dialog.hpp"

#include "ui/panel_geometry.hpp"
#include "ui/progress_frame.hpp"
#include "ui/qt_text.hpp"
#include "ui/window_key_filter.hpp"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

namespace lw::gui {

namespace {

QPushButton* makeButton(const char* name, const char* text, QWidget* parent) {
    auto* button = new QPushButton(toQ(text), parent);
    button->setObjectName(name);
    // Enter in an edit field presses nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

HarvestDialog::HarvestDialog(HarvestWindowLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setObjectName("frmFormAddURL");
    setModal(true);
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    buildSearchBar();
    buildLinkBox();
    buildBottomRow();
    buildProgressPanel();
    bindLogic();
    // Keys reach the window before its controls.
    new WindowKeyFilter(
        this, [this](bool ctrl, bool alt, int key) { return logic_.handleKey(ctrl, alt, key); });
}

HarvestDialog::~HarvestDialog() {
    // Nothing the logic says while the dialog goes reaches it.
    connections_.clear();
}

void HarvestDialog::buildSearchBar() {
    panelSearch_ = new QFrame(this);
    panelSearch_->setObjectName("_PanelSearch");
    auto* bar = new QHBoxLayout(panelSearch_);
    bar->setContentsMargins(0, 0, 0, 0);
    auto* shopLabel = new QLabel("阿里巴巴店铺首页地址:", panelSearch_);
    shopLabel->setObjectName("_LabelTaobaoURL");
    bar->addWidget(shopLabel);
    shopAddress_ = new QLineEdit(panelSearch_);
    shopAddress_->setObjectName("_TaobaoURL");
    shopLabel->setBuddy(shopAddress_);
    bar->addWidget(shopAddress_, 3);
    auto* keywordLabel = new QLabel("关键字: ", panelSearch_);
    keywordLabel->setObjectName("_LabelKeyword");
    bar->addWidget(keywordLabel);
    keyword_ = new QLineEdit(panelSearch_);
    keyword_->setObjectName("_Keyword");
    keywordLabel->setBuddy(keyword_);
    bar->addWidget(keyword_, 1);
    QPushButton* search = makeButton("_Search", "搜索", panelSearch_);
    bar->addWidget(search);
    panelSearch_->hide();
    layout()->addWidget(panelSearch_);

    connect(shopAddress_, &QLineEdit::textEdited, this,
            [this](const QString& text) { logic_.setShopAddress(fromQ(text)); });
    connect(keyword_, &QLineEdit::textEdited, this,
            [this](const QString& text) { logic_.setKeyword(fromQ(text)); });
    connect(search, &QPushButton::clicked, this, [this] { logic_.startSearch(); });
    // Enter in the shop address or the keyword starts the search.
    for (QLineEdit* field : {shopAddress_, keyword_})
        connect(field, &QLineEdit::returnPressed, this, [this] { logic_.startSearch(); });
}

void HarvestDialog::buildLinkBox() {
    auto* label = new QLabel("请输入要下载的宝贝地址(一行一个宝贝地址):", this);
    label->setObjectName("_LabelURL");
    layout()->addWidget(label);
    url_ = new QPlainTextEdit(this);
    url_->setObjectName("_URL");
    url_->setLineWrapMode(QPlainTextEdit::NoWrap);
    label->setBuddy(url_);
    static_cast<QVBoxLayout*>(layout())->addWidget(url_, 1);
    connect(url_, &QPlainTextEdit::textChanged, this, [this] {
        if (syncing_)
            return;
        logic_.onLinkBoxEdited(fromQ(url_->toPlainText()));
    });

    debug_ = new QPlainTextEdit(this);
    debug_->setObjectName("_Debug");
    debug_->setReadOnly(true);
    debug_->setLineWrapMode(QPlainTextEdit::NoWrap);
    debug_->setMaximumHeight(160);
    debug_->hide();
    layout()->addWidget(debug_);
}

void HarvestDialog::buildBottomRow() {
    auto* row = new QHBoxLayout;
    check_ = new QCheckBox("使用自动校正宝贝地址功能", this);
    check_->setObjectName("_check");
    check_->setChecked(true);
    row->addWidget(check_);
    row->addStretch(1);
    QPushButton* add = makeButton("_StartDownload", "添加至下载源", this);
    row->addWidget(add);
    QPushButton* cancel = makeButton("RzBitBtn1", "取消", this);
    row->addWidget(cancel);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName("_StatusBar");
    statusBar_->setSizeGripEnabled(false);
    statusText_ = new QLabel(statusBar_);
    statusText_->setObjectName("_StatusText");
    statusBar_->addWidget(statusText_, 1);
    layout()->addWidget(statusBar_);

    connect(check_, &QCheckBox::toggled, this, [this](bool on) { logic_.setCheck(on); });
    connect(add, &QPushButton::clicked, this, [this] { logic_.addLinks(); });
    connect(cancel, &QPushButton::clicked, this, [this] { logic_.closeWindow(); });
}

void HarvestDialog::buildProgressPanel() {
    panel_ = new ProgressFrame(this, true);
    panel_->setMinimumPanelSize(320, 100);
    QPushButton* cancel = makeButton("_Cancel2", "取消", panel_);
    panel_->body()->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, this, [this] { logic_.cancelSearch(); });
}

void HarvestDialog::bindLogic() {
    auto keep = [this](Connection c) { connections_.push_back(std::move(c)); };
    HarvestWindowLogic& l = logic_;
    keep(l.fieldsChanged.connect([this] { readFields(); }));
    keep(l.urlReset.connect([this] { readBox(); }));
    keep(l.urlAppended.connect([this](const std::string& line) {
        syncing_ = true;
        url_->appendPlainText(toQ(line));
        syncing_ = false;
    }));
    keep(l.statusChanged.connect([this] { statusText_->setText(toQ(logic_.statusText())); }));
    keep(l.panel().changed.connect([this] { readPanel(); }));
    keep(l.log().changed.connect([this] { debug_->setVisible(logic_.log().visible()); }));
    keep(l.log().appended.connect(
        [this](const std::string& line) { debug_->appendPlainText(toQ(line)); }));
    keep(l.focusRequested.connect([this](HarvestWindowLogic::Control control) {
        if (control == HarvestWindowLogic::Control::ShopAddress) {
            shopAddress_->setFocus();
            shopAddress_->selectAll();
        } else {
            url_->setFocus();
        }
    }));
    keep(l.closeRequested.connect([this] {
        done(logic_.modalResult() == HarvestWindowLogic::Result::Ok ? QDialog::Accepted
                                                                    : QDialog::Rejected);
    }));
    readFields();
    readBox();
    readPanel();
    statusText_->setText(toQ(l.statusText()));
    debug_->setVisible(l.log().visible());
}

void HarvestDialog::readFields() {
    setWindowTitle(toQ(logic_.caption()));
    panelSearch_->setVisible(logic_.panelSearchVisible());
    if (fromQ(shopAddress_->text()) != logic_.shopAddress())
        shopAddress_->setText(toQ(logic_.shopAddress()));
    if (fromQ(keyword_->text()) != logic_.keyword())
        keyword_->setText(toQ(logic_.keyword()));
    QSignalBlocker block(check_);
    check_->setChecked(logic_.check());
}

void HarvestDialog::readBox() {
    syncing_ = true;
    url_->setPlainText(toQ(logic_.url().text()));
    syncing_ = false;
}

void HarvestDialog::readPanel() {
    const ProgressPanel& p = logic_.panel();
    if (panel_->follow(p.caption(), p.visible()))
        placePanel();
}

void HarvestDialog::placePanel() {
    Point p = panelPlaceInWindow(width(), height(), panel_->width(), panel_->height());
    panel_->move(p.x, p.y);
}

void HarvestDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placePanel();
}

void HarvestDialog::reject() {
    logic_.closeWindow();
}

HarvestWindow::HarvestWindow(HarvestPorts ports, QWidget* parent)
    : logic_(std::make_unique<HarvestWindowLogic>(ports)),
      dialog_(new HarvestDialog(*logic_, parent)) {}

HarvestWindow::~HarvestWindow() {
    // The dialog refers to the logic: it goes first.
    delete dialog_.data();
}

bool HarvestWindow::exec(const std::string& caption, std::int64_t targetGroup) {
    if (!dialog_)
        return false;
    logic_->prepare(caption, targetGroup);
    logic_->onShown();
    return dialog_->exec() == QDialog::Accepted;
}

} // namespace lw::gui
