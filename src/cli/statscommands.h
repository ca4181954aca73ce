#pragma once

#include <QStringList>

namespace plx::cli {

int statsCommand(const QStringList &arguments);

} // namespace plx::cli
