#pragma once

#include <QStringList>

namespace plx::cli {

int qcCommand(const QStringList &arguments);

} // namespace plx::cli
