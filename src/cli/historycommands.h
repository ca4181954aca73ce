#pragma once

#include <QStringList>

namespace plx::cli {

// plx history [BASE] --station CODE [--from DD/MM/YYYY --to DD/MM/YYYY] [--user LOGIN]
//             [--kind NATURE]
int historyCommand(const QStringList &arguments);

} // namespace plx::cli
