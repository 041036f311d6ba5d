#pragma once

#include <QFrame>

#include <string>

class QLabel;
class QVBoxLayout;

namespace lw::gui {

// A window's floating progress panel (_ProcessPanel): a busy animation and the
// caption label _lblCaption; the window adds its own labels and buttons below them.
class ProgressFrame : public QFrame {
public:
    ProgressFrame(QWidget* parent, bool animated);

    QVBoxLayout* body() const { return layout_; }
    // The panel is never smaller than this and grows to its whole text, keeping its
    // centre where the window placed it.
    void setMinimumPanelSize(int width, int height);
    QLabel* captionLabel() const { return caption_; }
    // Follows the model; returns true when the panel has just appeared, so the window
    // can place it.
    bool follow(const std::string& caption, bool visible);

private:
    void fitToText();

    QVBoxLayout* layout_ = nullptr;
    QLabel* caption_ = nullptr;
};

} // namespace lw::gui
