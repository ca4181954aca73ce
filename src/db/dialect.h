#pragma once

#include <QString>

// Date literals and column type names for the database kind in use (runProfile().kind:
// "ACCESS", "POSTGRESQL" or "ORACLE"). Any other kind gives empty texts: a statement
// built with one fails visibly instead of meaning something else.
namespace plx {

// A date typed day first, "DD/MM/YYYY" with " hh:mm[:ss]" when withTime (a missing time
// is midnight; a time given without withTime is ignored), as a literal:
//   ACCESS      #03/05/2024#    #03/05/2024 07:30:00#
//   POSTGRESQL  '03/05/2024'    '03/05/2024 07:30:00'   (month first: DateStyle MDY)
//   ORACLE       to_date('05/03/2024', 'DD/MM/YYYY')    (with a blank at each end)
// Years 1800 to 3000 only. Text that is not such a date gives "": never a guess.
QString FormatDateSQL(const QString &dateText, bool withTime);

// A time of day "hh:mm[:ss]" as a literal: #07:30:00#, '12/30/1899 07:30:00' (a time
// is held on the zero day of the date arithmetic) or '07:30:00'. Bad text gives "".
QString FormatHeureSQL(const QString &timeText);

// The column type names a CREATE or ALTER statement uses for each role. Lengths are
// appended by the statement: text + "(255)".
struct ColumnTypes
{
    QString text;
    QString shortInteger;
    QString longInteger;
    QString number;     // floating
    QString dateTime;
    QString memo;       // long text
    QString formatFunction;
    QString nowFunction;
    QString autoIncrement;
    QString yesNo;

    // The text role with a length; a bare varchar2 is not valid on Oracle, so no length
    // there means 255.
    QString textOfLength(int length = 0) const;
};

// The shorter set used when the user tables are created or widened.
struct UserTableTypes
{
    QString text;
    QString number;
};

// For a kind; an unknown kind gives empty names.
ColumnTypes columnTypes(const QString &kind);
UserTableTypes userTableTypes(const QString &kind);
// For the kind in use.
ColumnTypes columnTypes();
UserTableTypes userTableTypes();

} // namespace plx
