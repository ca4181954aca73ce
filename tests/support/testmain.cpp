#include "outputs/widgets/gridexport.h"
#include "run/widgets/windownavigator.h"
#include "support/statementlog.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Widget tests need a QApplication; all tests run offscreen, with Qt warnings made visible.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Screens built alone open their neighbours (the record's series...) as windows.
    plx::WindowNavigator navigator;
    plx::setDefaultNavigator(&navigator);
    plxtest::installStatementLogFromEnvironment();
    // An exported file is never handed to the desktop during the tests.
    plx::setExportedFileOpener([](const QString &) {});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
