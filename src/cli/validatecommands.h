#pragma once

#include <QStringList>

namespace plx::cli {

// plx validate [BASE] --station CODE --until "DD/MM/YYYY hh:mm:ss"
int validateCommand(const QStringList &arguments);
// plx devalidate [BASE] --station CODE [--yes]
int devalidateCommand(const QStringList &arguments);

} // namespace plx::cli
