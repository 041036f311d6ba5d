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
    // Lines break only where the caption breaks them: the panel grows instead.
    caption_->setWordWrap(false);
    caption_->setTextFormat(Qt::PlainText);
    layout_->addWidget(caption_);
    hide();
}

void ProgressFrame::setMinimumPanelSize(int width, int height) {
    setMinimumSize(width, height);
    fitToText();
}

void ProgressFrame::fitToText() {
    layout_->activate();
    QSize wanted = sizeHint().expandedTo(minimumSize());
    if (wanted == size())
        return;
    QPoint centre = geometry().center();
    resize(wanted);
    if (isVisible())
        move(centre.x() - width() / 2, centre.y() - height() / 2);
}

bool ProgressFrame::follow(const std::string& caption, bool visible) {
    // The core's captions break lines with CR LF.
    QString text = toQ(caption);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (caption_->text() != text) {
        caption_->setText(text);
        fitToText();
    }
    if (visible == isVisible())
        return false;
    setVisible(visible);
    if (visible)
        raise();
    return visible;
}

} // namespace lw::gui
