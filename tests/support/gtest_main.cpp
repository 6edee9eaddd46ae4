#include <QApplication>
#include <gtest/gtest.h>

// Tests without windows still get an application object, offscreen, so that code which asks
// Qt for a screen or the clipboard behaves as it does in the program.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
