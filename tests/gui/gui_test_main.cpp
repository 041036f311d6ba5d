#include <QApplication>
#include <gtest/gtest.h>

// The windows need an application object; CTest runs this offscreen.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
