#include "about_dialog.hpp"

#include "app/maker_info.hpp"
#include "ui/qt_icons.hpp"
#include "ui/qt_text.hpp"

#include <QKeyEvent>
#include <QLabel>

namespace lw::gui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("frmAbout");
    setFixedSize(kWidth, kHeight);
    auto* picture = new QLabel(this);
    picture->setObjectName("_Image");
    picture->setPixmap(splashPicture(kWidth, kHeight));
    picture->setGeometry(rect());
    version_ = new QLabel(this);
    version_->setObjectName("_lblVersion");
    version_->setStyleSheet("color: white;");
    version_->setGeometry(28, 190, kWidth - 56, 22);
    int y = 220;
    for (const char* line : kContactLines) {
        auto* label = new QLabel(toQ(line), this);
        label->setStyleSheet("color: white;");
        label->setGeometry(28, y, kWidth - 56, 22);
        y += 24;
    }
    // A click on any label closes the box too.
    for (QLabel* label : findChildren<QLabel*>())
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void AboutDialog::setAbout(const AboutBox& about) {
    version_->setText(toQ(about.versionLabel()));
}

void AboutDialog::mousePressEvent(QMouseEvent*) {
    accept();
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_W && (event->modifiers() & Qt::ControlModifier)) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace lw::gui
