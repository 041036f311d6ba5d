#pragma once

#include "app/relay_settings.hpp"
#include "ui/signal.hpp"

#include <QDialog>

#include <map>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace lw::gui {

// The Relay settings dialog frmRelaySettings over RelaySettingsLogic: the four fields,
// the environment notes, the warning, "测试连接" with its answer, 确定 and 取消.
class RelaySettingsDialog : public QDialog {
    Q_OBJECT
public:
    RelaySettingsDialog(RelaySettingsLogic& logic, QWidget* parent = nullptr);
    ~RelaySettingsDialog() override;

    void accept() override;

private:
    void pull();

    RelaySettingsLogic& logic_;
    QLabel* explanation_ = nullptr;
    std::map<std::string, QLineEdit*> fields_;
    std::map<std::string, QLabel*> notes_;
    QLabel* warning_ = nullptr;
    QLabel* file_ = nullptr;
    QPushButton* test_ = nullptr;
    QLabel* result_ = nullptr;
    std::vector<Connection> connections_;
};

} // namespace lw::gui
