// The window tests run offscreen inside one QApplication.
#include "ui/enter_presses_button.hpp"
#include "ui/qt_translations.hpp"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // As the program does: Qt's own dialogs in Chinese.
    lw::gui::installQtTranslations(&app);
    lw::gui::EnterPressesButton enterPressesButton;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
