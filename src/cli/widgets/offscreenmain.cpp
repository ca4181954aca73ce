#include "cli/widgets/offscreenmain.h"

#include "cli/loginoption.h"

#include <QApplication>

#include <cstdio>

namespace plx::cli {

int runOffscreenCommand(int argc, char **argv, int (*command)(const QStringList &arguments))
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Errors go out as one French line: Qt's own notes about the headless platform
    // (no runtime folder, no fonts database...) would only get in the way of scripts.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    });
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PLXReader"));
    QStringList arguments = QApplication::arguments().mid(2);
    if (!takeLoginArguments(arguments))
        return 2;
    return command(arguments);
}

} // namespace plx::cli
