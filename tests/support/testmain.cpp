#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Widget tests need a QApplication; all tests run offscreen, with Qt warnings made visible.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
