#include "cli/commands.h"
#include "cli/widgets/chartcommand.h"
#include "cli/widgets/guideshotscommand.h"
#include "cli/widgets/reportcommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    // Charts are drawn by widgets, which need a QApplication (offscreen, no display).
    if (argc > 1 && qstrcmp(argv[1], "chart") == 0)
        return plx::cli::chartMain(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "report") == 0)
        return plx::cli::reportMain(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "guide-shots") == 0)
        return plx::cli::guideShotsMain(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PLXReader"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        std::fputs(qPrintable(plx::cli::usage()), args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    return plx::cli::run(command, args);
}
