#include "ui/progress_frame.hpp"

#include "ui/qt_text.hpp"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace lw::gui {

ProgressFrame::ProgressFrame(QWidget* parent, bool animated) : QFrame(parent) {
    setObjectName("_ProcessPanel");
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    layout_ = new QVBoxLayout(this);
    if (animated) {
        auto* animation = new QProgressBar(this);
        animation->setObjectName("_Animate");
        animation->setRange(0, 0);
        animation->setTextVisible(false);
        animation->setFixedHeight(12);
        layout_->addWidget(animation);
    }
    caption_ = new QLabel(this);
    caption_->setObjectName("_lblCaption");
    layout_->addWidget(caption_);
    hide();
}

bool ProgressFrame::follow(const std::string& caption, bool visible) {
    caption_->setText(toQ(caption));
    if (visible == isVisible())
        return false;
    setVisible(visible);
    if (visible)
        raise();
    return visible;
}

} // namespace lw::gui
