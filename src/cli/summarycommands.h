#pragma once

#include <QStringList>

namespace plx::cli {

int summaryCommand(const QStringList &arguments);

} // namespace plx::cli
