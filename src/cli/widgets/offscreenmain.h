#pragma once

#include <QStringList>

namespace plx::cli {

// The main of a command that draws with widgets (plx chart, plx report): starts its own
// QApplication on the offscreen platform (unless QT_QPA_PLATFORM says otherwise), takes
// the login options, then runs command on the arguments after the command's name. Called
// before any application object exists. Returns the process exit code.
int runOffscreenCommand(int argc, char **argv, int (*command)(const QStringList &arguments));

} // namespace plx::cli
