#include "cli/summarycommands.h"

#include "cli/commands.h"

namespace plx::cli {

int summaryCommand(const QStringList &)
{
    print(stderr, QStringLiteral("Commande pas encore disponible.\n"));
    return 2;
}

} // namespace plx::cli
