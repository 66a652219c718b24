// One QApplication for every dialog test, on the offscreen platform, with the message and
// input boxes answered from the test seam instead of being shown.

#include "DialogSandbox.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
