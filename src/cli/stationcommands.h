#pragma once

#include <QStringList>

namespace plx::cli {

int stationCommand(const QStringList &arguments);

} // namespace plx::cli
