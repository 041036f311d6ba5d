#include "main_window_widget.hpp"

#include "app/colour_scheme.hpp"
#include "app/desktop_frame.hpp"
#include "items/item_page.hpp"
#include "ui/panel_geometry.hpp"
#include "ui/progress_frame.hpp"
#include "ui/qt_icons.hpp"
#include "ui/qt_text.hpp"
#include "ui/window_key_filter.hpp"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace lw::gui {

namespace {

QAction* addMenuAction(QWidget* owner, QMenu* menu, const char* name, const QString& text,
                       std::function<void()> fn) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, owner, [fn = std::move(fn)] { fn(); });
    return action;
}

} // namespace

MainWindowWidget::MainWindowWidget(MainWindowLogic& logic, DesktopFrame& frame, QWidget* parent)
    : QMainWindow(parent), logic_(logic), frame_(frame) {
    frame_.setMainWindow(this);
    setObjectName("frmFromDownload");
    setWindowIcon(appIcon());
    resize(1100, 720);
    buildMenus();
    buildToolBar();
    buildOptionsBar();
    buildCentre();
    buildProgressPanel();
    buildTray();
    setStyleSheet(colourSchemeStyleSheet());
    bindState();
    // Keys reach the window before its controls.
    new WindowKeyFilter(
        this, [this](bool ctrl, bool alt, int key) { return logic_.handleKey(ctrl, alt, key); });
}

MainWindowWidget::~MainWindowWidget() = default;

void MainWindowWidget::buildMenus() {
    MainWindowLogic& l = logic_;
    QMenu* file = menuBar()->addMenu("文件(&F)");
    file->setObjectName("_MenuFile");
    addMenuAction(this, file, "_Exit", "退出(&X)", [&l] { l.quit(); });

    QMenu* tools = menuBar()->addMenu("工具(&T)");
    tools->setObjectName("_MenuTools");
    QMenu* basic = tools->addMenu("淘宝基础数据下载");
    basic->setObjectName("_MenuBasicData");
    addMenuAction(this, basic, "D01", "下载淘宝商品类目...            ",
                  [&l] { l.downloadCategoryTree(); });
    addMenuAction(this, basic, "D02", "下载淘宝商品类目属性1...", [&l] {
        l.downloadCategoryProperties();
    })->setVisible(false);
    addMenuAction(this, basic, "D03", "下载淘宝商品类目属性2...", [&l] {
        l.downloadPropertyValues();
    })->setVisible(false);
    basic->addSeparator();
    addMenuAction(this, basic, "N20", "统计已下载淘宝商品类目记录数",
                  [&l] { l.countCategories(); });
    addMenuAction(this, basic, "N21", "统计已下载淘宝商品类目属性1记录数", [&l] {
        l.countCategoryProperties();
    })->setVisible(false);
    addMenuAction(this, basic, "N23", "统计已下载淘宝商品类目属性2记录数", [&l] {
        l.countPropertyValues();
    })->setVisible(false);
    addMenuAction(this, tools, "_RelaySettings", "Relay 设置...", [&l] { l.openRelaySettings(); });
    addMenuAction(this, tools, "_ResetPath", "重置默认存放位置", [&l] { l.resetPackagePath(); });
    // F5 anywhere in the window reloads the list, as "搜索" does.
    auto* reload = new QAction(this);
    reload->setObjectName("_ReloadList");
    reload->setShortcut(QKeySequence(Qt::Key_F5));
    reload->setShortcutContext(Qt::WindowShortcut);
    connect(reload, &QAction::triggered, this, [&l] { l.view().applyFilter(); });
    addAction(reload);
    addMenuAction(this, tools, "_Calc", "计算器(&C)", [&l] { l.openCalculator(); });
    // The database needs no driver: the command stays for the old menu's sake, hidden.
    addMenuAction(this, tools, "_InstallSqlce", "安装 SQLCE 动态库(dll) ...", [&l] {
        l.installSqlceDriver();
    })->setVisible(false);

    QMenu* help = menuBar()->addMenu("帮助(&H)");
    help->setObjectName("_MenuHelp");
    addMenuAction(this, help, "_OnlineHelp", "联机帮助(&H)", [&l] { l.openHelp(); });
    addMenuAction(this, help, "_Website", "官方网站(&K)", [&l] { l.openWebsite(); });
    addMenuAction(this, help, "_Feedback", "意见反馈(&F)", [&l] { l.sendFeedback(); });
    addMenuAction(this, help, "_MenuUpdate", "在线升级(&U)", [&l] { l.startOnlineUpdate(); });
    addMenuAction(this, help, "_About", "关于(&A)...", [&l] { l.openAbout(); });
}

void MainWindowWidget::buildToolBar() {
    MainWindowLogic& l = logic_;
    toolBar_ = addToolBar("main");
    toolBar_->setObjectName("_ToolBar");
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [&](const char* name, const char* text, const char* hint,
                      QStyle::StandardPixmap icon, std::function<void()> fn) {
        QAction* a = toolBar_->addAction(style()->standardIcon(icon), toQ(text));
        a->setObjectName(name);
        if (*hint)
            a->setToolTip(toQ(hint));
        connect(a, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
        return a;
    };
    button("_SearchAdd", "搜索添加对方店铺宝贝", "", QStyle::SP_FileDialogContentsView,
           [&l] { l.openHarvest(); });
    toolBar_->addSeparator();
    toolBar_->addWidget(new QLabel(" 存放位置:"));
    saveFile_ = new QLineEdit;
    saveFile_->setObjectName("_SaveFile");
    saveFile_->setReadOnly(true);
    saveFile_->setMinimumWidth(360);
    QAction* browse = saveFile_->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                           QLineEdit::TrailingPosition);
    browse->setObjectName("_SaveFileButton");
    connect(browse, &QAction::triggered, this, [&l] { l.choosePackagePath(); });
    saveFile_->installEventFilter(this);
    toolBar_->addWidget(saveFile_);
    toolBar_->addSeparator();
    button("_Start", "开始下载", "开始下载并生成淘宝助理数据包", QStyle::SP_MediaPlay,
           [&l] { l.startDownload(); });
    button("_OpenFolder", "打开文件位置", "", QStyle::SP_DirIcon, [&l] { l.openPackageFolder(); });
    button("_Minimize", "最小化窗口", "最小化窗口到任务栏", QStyle::SP_TitleBarMinButton,
           [&l] { l.minimizeToTray(); });
    button("_Update", "在线升级", "", QStyle::SP_BrowserReload, [&l] { l.startOnlineUpdate(); });
    button("_Help", "帮助", "联机在线帮助", QStyle::SP_DialogHelpButton, [&l] { l.openHelp(); });
}

void MainWindowWidget::buildOptionsBar() {
    MainWindowLogic& l = logic_;
    addToolBarBreak();
    optionsBar_ = addToolBar("options");
    optionsBar_->setObjectName("_OptionsBar");
    optionsBar_->setMovable(false);
    optionsBar_->addWidget(new QLabel(" 优先匹配淘宝类目:"));
    itemCats_ = new QComboBox;
    itemCats_->setObjectName("_ItemCats");
    itemCats_->setMaxVisibleItems(20);
    itemCats_->setMinimumWidth(160);
    connect(itemCats_, &QComboBox::activated, this,
            [&l](int index) { l.choosePreferredCategory(index); });
    optionsBar_->addWidget(itemCats_);
    auto* mapping = new QPushButton("产品类别与淘宝类目映射定义");
    mapping->setObjectName("_Mapping");
    connect(mapping, &QPushButton::clicked, this, [&l] { l.openMappingEditor(); });
    optionsBar_->addWidget(mapping);
    optionsBar_->addSeparator();
    chkClearLink_ = new QCheckBox("自动去除原宝贝描述超链接");
    chkClearLink_->setObjectName("_chkClearLink");
    connect(chkClearLink_, &QCheckBox::clicked, this,
            [&l](bool on) { l.setRemoveDescriptionLinks(on); });
    optionsBar_->addWidget(chkClearLink_);
    chkDescLocal_ = new QCheckBox("宝贝描述中图片自动转成本地图片");
    chkDescLocal_->setObjectName("_chkDescLocal");
    connect(chkDescLocal_, &QCheckBox::clicked, this,
            [&l](bool on) { l.setLocalDescriptionPictures(on); });
    optionsBar_->addWidget(chkDescLocal_);
    pagePrice_ = new QCheckBox("采用页面价格");
    pagePrice_->setObjectName("_PagePrice");
    pagePrice_->setToolTip(
        "常规获取的是原始价格,对打折价格无法获取,此选项可以将页面的打折价格直接获取生成到数据包中");
    connect(pagePrice_, &QCheckBox::clicked, this, [&l](bool on) { l.setPagePrice(on); });
    optionsBar_->addWidget(pagePrice_);
    skipFailed_ = new QCheckBox("出错时跳过该宝贝继续下载");
    skipFailed_->setObjectName("_chkSkipFailed");
    skipFailed_->setToolTip("某个宝贝下载出错时, 记下原因并取消它的勾选, 接着下载下一个宝贝");
    connect(skipFailed_, &QCheckBox::clicked, this, [&l](bool on) { l.setSkipFailedOffers(on); });
    optionsBar_->addWidget(skipFailed_);
    optionsBar_->addSeparator();
    priceRule_ = new QLabel;
    priceRule_->setObjectName("_PriceRule");
    optionsBar_->addWidget(priceRule_);
    auto* priceRuleButton = new QPushButton("设置...");
    priceRuleButton->setObjectName("_PriceRuleButton");
    priceRuleButton->setToolTip("设置下载时对价格(含SKU价格)的加价和进位");
    connect(priceRuleButton, &QPushButton::clicked, this, [&l] { l.editPriceRule(); });
    optionsBar_->addWidget(priceRuleButton);
}

void MainWindowWidget::buildCentre() {
    auto* centre = new QWidget(this);
    centre->setObjectName("_Centre");
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pages_ = new QTabWidget(centre);
    pages_->setObjectName("_PageControl");
    auto* sheet = new QWidget;
    sheet->setObjectName("_TabSheet");
    auto* sheetLayout = new QVBoxLayout(sheet);
    sheetLayout->setContentsMargins(2, 2, 2, 2);
    page_ = new ItemPage(logic_.view(), logic_.commands(), sheet);
    sheetLayout->addWidget(page_, 1);
    debug_ = new QPlainTextEdit(sheet);
    debug_->setObjectName("_Debug");
    debug_->setReadOnly(true);
    debug_->setMaximumHeight(160);
    debug_->hide();
    sheetLayout->addWidget(debug_);
    pages_->addTab(sheet, toQ(ItemView::kPageCaption));
    layout->addWidget(pages_, 1);

    statusBar_ = new QStatusBar(centre);
    statusBar_->setObjectName("_StatusBar");
    statusBar_->setSizeGripEnabled(false);
    statusText_ = new QLabel(statusBar_);
    statusText_->setObjectName("_StatusText");
    statusBar_->addWidget(statusText_, 1);
    layout->addWidget(statusBar_);

    statusBar2_ = new QStatusBar(centre);
    statusBar2_->setObjectName("_StatusBar2");
    versionStatus_ = new QLabel(statusBar2_);
    versionStatus_->setObjectName("_VersionStatus");
    versionStatus_->setMinimumWidth(140);
    statusBar2_->addWidget(versionStatus_);
    allowance_ = new QLabel(statusBar2_);
    allowance_->setObjectName("_AllowanceStatus");
    allowance_->hide();
    statusBar2_->addWidget(allowance_);
    tips_ = new QLabel(statusBar2_);
    tips_->setObjectName("_TipsStatus");
    statusBar2_->addWidget(tips_, 1);
    layout->addWidget(statusBar2_);
    setCentralWidget(centre);
}

void MainWindowWidget::buildProgressPanel() {
    panel_ = new ProgressFrame(this, true);
    panel_->setMinimumPanelSize(340, 120);
    panel_->captionLabel()->setText(toQ(logic_.state().panel.caption()));
    QFont bold = font();
    bold.setBold(true);
    for (const char* name : {"_lblInfo1", "_lblInfo2"}) {
        auto* label = new QLabel(panel_);
        label->setObjectName(name);
        label->setFont(bold);
        panel_->body()->addWidget(label);
    }
    auto* cancel = new QPushButton("取消", panel_);
    cancel->setObjectName("_Cancel");
    connect(cancel, &QPushButton::clicked, this, [this] { logic_.cancelCommand(); });
    panel_->body()->addWidget(cancel, 0, Qt::AlignRight);
}

void MainWindowWidget::buildTray() {
    MainWindowLogic& l = logic_;
    tray_ = new QSystemTrayIcon(appIcon(), this);
    tray_->setObjectName("RzTrayIcon");
    trayMenu_ = new QMenu(this);
    trayMenu_->setObjectName("_PopupMenuTray");
    addMenuAction(this, trayMenu_, "_ShowMain", "显示主界面", [&l] { l.showFromTray(); });
    addMenuAction(this, trayMenu_, "_ExitSoft", "退出软件", [&l] { l.quitFromTray(); });
    connect(tray_, &QSystemTrayIcon::activated, this, [&l](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick)
            l.onTrayDoubleClick();
    });
    if (QSystemTrayIcon::isSystemTrayAvailable())
        tray_->show();
}

void MainWindowWidget::bindState() {
    MainWindowLogic& l = logic_;
    MainState& s = l.state();
    connections_.push_back(s.optionsChanged.connect([this] { readOptions(); }));
    connections_.push_back(s.panel.changed.connect([this] { readPanel(); }));
    connections_.push_back(
        s.log.changed.connect([this] { debug_->setVisible(logic_.state().log.visible()); }));
    connections_.push_back(s.log.appended.connect(
        [this](const std::string& line) { debug_->appendPlainText(toQ(line)); }));
    connections_.push_back(l.view().statusTextChanged.connect(
        [this] { statusText_->setText(toQ(logic_.view().statusText())); }));
    connections_.push_back(l.view().placePanelOverPage.connect([this] { placePanelOverPage(); }));
    connections_.push_back(l.frameChanged.connect([this] { readFrame(); }));
    connections_.push_back(l.trayChanged.connect([this] { readTray(); }));
    connections_.push_back(l.layoutLoaded.connect([this] { applyLayout(); }));
    readOptions();
    readPanel();
    readFrame();
}

void MainWindowWidget::readOptions() {
    const MainState& s = logic_.state();
    saveFile_->setText(toQ(s.saveFile));
    saveFile_->setToolTip(saveFile_->text());
    QSignalBlocker a(chkClearLink_), b(chkDescLocal_), c(pagePrice_), d(itemCats_), e(skipFailed_);
    skipFailed_->setChecked(s.skipFailedOffers);
    chkClearLink_->setChecked(s.removeDescriptionLinks);
    chkDescLocal_->setChecked(s.localDescriptionPictures);
    pagePrice_->setChecked(s.pagePrice);
    priceRule_->setText(" " + toQ(logic_.priceRuleCaption()) + " ");
    if (itemCats_->count() != static_cast<int>(s.itemCats.names.size())) {
        itemCats_->clear();
        for (const std::string& name : s.itemCats.names)
            itemCats_->addItem(toQ(name));
    }
    itemCats_->setCurrentIndex(s.itemCats.selected);
}

void MainWindowWidget::readPanel() {
    const ProgressPanel& p = logic_.state().panel;
    panel_->follow(p.caption(), p.visible());
}

void MainWindowWidget::readFrame() {
    setWindowTitle(toQ(logic_.caption()));
    versionStatus_->setText(toQ(logic_.versionStatus()));
    tray_->setToolTip(toQ(logic_.trayHint()));
}

void MainWindowWidget::readTray() {
    if (logic_.trayMenuAttached() && tray_->contextMenu() != trayMenu_)
        tray_->setContextMenu(trayMenu_);
    if (logic_.hiddenToTray()) {
        // Without a notification area hiding would leave no way back.
        if (QSystemTrayIcon::isSystemTrayAvailable())
            hide();
        else
            showMinimized();
    } else {
        if (isMinimized())
            showMaximized();
        show();
        raise();
        activateWindow();
    }
}

void MainWindowWidget::applyLayout() {
    const WindowLayout& layout = logic_.layout;
    if (layout.normalGeometry) {
        const WindowLayout::Rect& r = *layout.normalGeometry;
        setGeometry(r.x, r.y, r.width, r.height);
    }
    QHeaderView* header = page_->listView()->header();
    for (int c = 0; c < header->count() && c < static_cast<int>(layout.columnWidths.size()); ++c)
        header->resizeSection(c, layout.columnWidths[static_cast<size_t>(c)]);
}

void MainWindowWidget::rememberLayout() {
    WindowLayout& layout = logic_.layout;
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    if (r.width() > 0 && r.height() > 0)
        layout.normalGeometry = WindowLayout::Rect{r.x(), r.y(), r.width(), r.height()};
    layout.maximised = isMaximized();
    layout.columnWidths.clear();
    QHeaderView* header = page_->listView()->header();
    for (int c = 0; c < header->count(); ++c)
        layout.columnWidths.push_back(header->sectionSize(c));
}

void MainWindowWidget::showAsRemembered() {
    if (logic_.layout.normalGeometry && !logic_.layout.maximised)
        show();
    else
        showMaximized();
}

void MainWindowWidget::placePanelOverPage() {
    Point p = panelPlaceOverPage(pages_->mapTo(this, QPoint(0, 0)).y(), pages_->width(),
                                 pages_->height(), panel_->width());
    panel_->move(p.x, p.y);
}

void MainWindowWidget::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Point p = panelPlaceInWindow(width(), height(), panel_->width(), panel_->height());
    panel_->move(p.x, p.y);
}

void MainWindowWidget::closeEvent(QCloseEvent* event) {
    if (!closing_ && !frame_.terminating()) {
        closing_ = true;
        rememberLayout();
        logic_.queryClose();
    }
    tray_->hide();
    event->accept();
    Q_EMIT closed();
}

bool MainWindowWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == saveFile_ && event->type() == QEvent::MouseButtonDblClick) {
        logic_.choosePackagePath();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace lw::gui
