#pragma once

#include "app/about_box.hpp"

#include <QDialog>

class QLabel;

namespace lw::gui {

// The about box: a borderless picture with the version and the maker's contact
// details; a click anywhere or Ctrl+W closes it.
class AboutDialog : public QDialog {
    static constexpr int kWidth = 469;
    static constexpr int kHeight = 309;

    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    void setAbout(const AboutBox& about);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* version_;
};

} // namespace lw::gui
