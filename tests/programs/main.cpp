// The windows need a QApplication.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Offscreen screens the sizes of scale offices' monitors.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" OFFSCREEN_SCREEN);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
