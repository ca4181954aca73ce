#include "cli/options.h"

namespace plx::cli {

Options parseOptions(const QStringList &arguments)
{
    Options options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        const bool databaseOption = arg == QLatin1String("--db") || arg == QLatin1String("--pg")
                                    || arg == QLatin1String("--odbc");
        if (!databaseOption) {
            options.positional << arg;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            options.error = QStringLiteral("L'option %1 attend une valeur.").arg(arg);
            return options;
        }
        const QString value = arguments[++i];
        options.hasDatabase = true;
        if (arg == QLatin1String("--db")) {
            options.profile.kind = QStringLiteral("ACCESS");
        } else if (arg == QLatin1String("--pg")) {
            // libpq reads a whole connection string given as the database name.
            options.profile.kind = QStringLiteral("POSTGRESQL");
        } else {
            options.profile.kind = QStringLiteral("ODBC");
        }
        options.profile.database = value;
    }
    return options;
}

} // namespace plx::cli
