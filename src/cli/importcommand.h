#pragma once

#include <QStringList>

namespace plx::cli {

int importCommand(const QStringList &arguments);

} // namespace plx::cli
