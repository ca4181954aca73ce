#pragma once

#include <QStringList>

namespace plx::cli {

// plx export [BASE] --station CODE [--from JJ/MM/AAAA --to JJ/MM/AAAA]
//            --out FICHIER.xlsx|.csv|.ods
// The station's measurements as the validation editor exports them.
int exportCommand(const QStringList &arguments);

} // namespace plx::cli
