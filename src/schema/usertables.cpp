#include "schema/usertables.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "schema/schemacatalog.h"

namespace plx {

namespace {

ColumnSpec text(const char *name, int length)
{
    return {QString::fromLatin1(name), ColumnType::UserText, length};
}

ColumnSpec number(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::UserNumber, 0};
}

// The columns the user table gains after its creation, in the order they were added.
std::vector<ColumnSpec> addedUserColumns()
{
    return {text("metadata", 1),      text("filtrePiezo", 12), text("filtreQualito", 12),
            text("filtrePluvio", 12), text("filtreHydro", 12), number("codeContact")};
}

TableSpec utilisateurs()
{
    TableSpec table{QStringLiteral("UTILISATEURS"),
                    {text("login", 12), text("password", 12), text("isAdmin", 1), text("nom", 255),
                     number("codeIntervenant")}};
    for (const ColumnSpec &column : addedUserColumns())
        table.columns.push_back(column);
    return table;
}

UserTablesResult finish(SchemaWriter &writer, SchemaTransaction &transaction)
{
    UserTablesResult result;
    result.changes = writer.changes();
    if (!writer.failures().isEmpty()) {
        result.ok = false;
        result.error = writer.failures().join(QLatin1Char('\n'));
    }
    if (!transaction.commit()) {
        result.ok = false;
        result.error +=
            (result.error.isEmpty() ? QString() : QStringLiteral("\n")) + transaction.error();
        result.changes.clear();
    }
    return result;
}

UserTablesResult notStarted(const SchemaTransaction &transaction)
{
    UserTablesResult result;
    result.ok = false;
    result.error = transaction.error();
    return result;
}

} // namespace

UserTablesResult ensureDefaultUserTables(AccesBase &db)
{
    ScopedConnectionKind kind(db);
    SchemaTransaction transaction(db);
    if (!transaction.started())
        return notStarted(transaction);
    SchemaWriter writer(db);

    bool adminCreated = false;
    if (!writer.tableExists(QStringLiteral("UTILISATEURS"))) {
        writer.ensureTable(utilisateurs());
        // Only a table we have just created receives the administrator: a failure to
        // create must not add a second ADMIN to a table the catalog failed to see.
        if (writer.failures().isEmpty()) {
            adminCreated = writer.run(
                QStringLiteral(
                    "insert into UTILISATEURS (login, password, isAdmin, codeIntervenant, "
                    "metadata) values (%1,%2,'1', null, '1')")
                    .arg(sqlQuote(QString::fromLatin1(kDefaultAdminLogin)),
                         sqlQuote(QString::fromLatin1(kDefaultAdminPassword))),
                QStringLiteral("Administrateur %1 créé")
                    .arg(QString::fromLatin1(kDefaultAdminLogin)));
        }
    } else {
        for (const ColumnSpec &column : addedUserColumns())
            writer.ensureColumn(QStringLiteral("UTILISATEURS"), column);
    }
    writer.ensureTable({QStringLiteral("UTILISATEURS_HABILITATIONS"),
                        {text("login", 12), text("habilitation", 255)}});
    writer.ensureTable({QStringLiteral("UTILISATEURS_STATIONS"),
                        {text("login", 12), text("typeStation", 70), text("identifiant", 255),
                         text("modeselect", 20)}});

    UserTablesResult result = finish(writer, transaction);
    result.adminCreated = adminCreated && result.ok;
    return result;
}

UserTablesResult upgradeUserTable(AccesBase &db)
{
    ScopedConnectionKind kind(db);
    SchemaTransaction transaction(db);
    if (!transaction.started())
        return notStarted(transaction);
    SchemaWriter writer(db);
    if (writer.tableExists(QStringLiteral("UTILISATEURS"))) {
        for (const ColumnSpec &column : addedUserColumns())
            writer.ensureColumn(QStringLiteral("UTILISATEURS"), column);
    }
    return finish(writer, transaction);
}

} // namespace plx
