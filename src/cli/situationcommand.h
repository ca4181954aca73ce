#pragma once

#include <QStringList>

namespace plx::cli {

int situationCommand(const QStringList &arguments);

} // namespace plx::cli
