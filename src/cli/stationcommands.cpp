#include "cli/stationcommands.h"

#include "cli/commands.h"

namespace plx::cli {

int stationCommand(const QStringList &)
{
    print(stderr, QStringLiteral("Commande pas encore disponible.\n"));
    return 2;
}

} // namespace plx::cli
