#pragma once

#include <QStringList>

namespace plx::cli {

int followUpCommand(const QStringList &arguments);

} // namespace plx::cli
