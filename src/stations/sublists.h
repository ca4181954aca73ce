#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>
#include <vector>

namespace plx {

class AccesBase;

// The satellite rows of a station that the record edits in its tabs (interveners,
// networks, measurement modes, localisations, normals, documents, photos, installation,
// interventions). Each tab is described once here; loading, checking and saving are the
// same routine for all of them: the save deletes the station's rows of the table and
// inserts the edited rows again, in one transaction.

enum class SubListKind {
    Text,    // free text, up to maxLength characters
    Path,    // a file path or address (text, chosen with a file dialog)
    Number,  // decimal number, typed with "," or "."
    Date,    // typed "dd/MM/yyyy"; a stored time of day is kept
    Time,    // typed "HH:mm[:ss]", stored on 30/12/1899
    Choice,  // a code taken from a list (see ChoiceSource)
    YesNo,   // YESNO column
    Flag,    // yes/no kept in a one-character text column ("O" / "N")
    Counter, // number within the station (highest + 1), never typed
};

enum class ChoiceSource {
    None,
    CodeList,     // CODES_SANDRE rows of a champ
    Intervenants, // INTERVENANTS (organisations)
    Contacts,     // CONTACTS, shown by Nom, else RaisonSocial, else the commune's name
    Reseaux,      // RESEAUX
    Months,       // 1 to 12, "Janvier" to "Décembre"
};

struct SubListColumn
{
    QString name;
    SubListKind kind = SubListKind::Text;
    QString heading;   // empty: not shown, its loaded value is written back unchanged
    int maxLength = 0; // text columns; 0 = unlimited (Memo)
    ChoiceSource source = ChoiceSource::None;
    QString champ;            // the CODES_SANDRE champ of a CodeList
    bool withComment = false; // the code's Commentaire shown after its label
    bool required = false;
};

// A row of the table set apart from the grid and edited in its own field: the normals'
// title lives in the row whose Mois is -1.
struct SubListTitleRow
{
    QString keyColumn;
    double keyValue = 0;
    QString textColumn;
};

// A table whose rows refer to this one's numbered rows: its rows whose number left the
// grid are deleted with the same save (a reused number must not inherit them).
struct SubListDependent
{
    QString table;
    QString stationColumn;
    QString numberColumn;
};

enum class SubListTab {
    Intervenants,
    Reseaux,
    ModesMesures,
    Localisations,
    Normales,
    Documents,
    Photos,
    Ouvrage,
    Interventions,
    Bulletins, // the station's own bulletins, edited on the bulletins screen
};

struct SubListDescription
{
    SubListTab tab = SubListTab::Intervenants;
    QString title; // the tab's title, also used in messages
    QString table;
    QString stationColumn;
    // Known columns, shown ones in display order. Columns of the table not listed here
    // are kept as loaded.
    std::vector<SubListColumn> columns;
    QString orderBy;
    // One row per station, edited as a form (the extra rows an older database may hold are
    // written back untouched).
    bool singleRow = false;
    std::vector<std::pair<QString, QString>> periods; // (start, end): start not after end
    QString uniqueColumn;                             // at most one row per value
    SubListTitleRow titleRow;                         // keyColumn empty when none
    SubListDependent dependent;                       // table empty when none
    // Written with the user's login and the current time on rows added or changed.
    QString stampLoginColumn;
    QString stampDateColumn;
    QString todayColumn; // a new row starts with today's date there

    const SubListColumn *column(const QString &name) const;
    const SubListColumn *counter() const;
    // The shown columns, in display order.
    std::vector<const SubListColumn *> shownColumns() const;
};

// Every tab, in the record's order.
const std::vector<SubListDescription> &subListDescriptions();
const SubListDescription &subListDescription(SubListTab tab);

// One row of the table: a value per column of the table as loaded (every column, shown
// or not). A value typed in the grid is held as text until the save converts it.
struct SubListRow
{
    std::vector<QVariant> cells;
    std::vector<QVariant> loaded; // as read; empty for a row added in the grid
};

struct SubListRows
{
    QStringList columns; // every column of the table, spelled as the database gives them
    std::vector<SubListRow> rows;
    SubListRow title; // the title row (normals); cells empty when there is none
    // Every row as read, in a comparable form: a save refuses to replace rows that another
    // user changed in the meantime.
    QStringList snapshot;

    int columnIndex(const QString &name) const;
    // A row with every cell null, the station column excepted.
    SubListRow emptyRow(const SubListDescription &description, const QString &code) const;
};

struct SubListChoice
{
    qlonglong code = 0;
    QString label;
};
// The choices of each Choice column, by column name.
using SubListChoices = QMap<QString, QList<SubListChoice>>;

// The message refusing any change to a station that was never saved.
QString subListNoStationMessage();

// Reads the station's rows (every column). ok false with error when the table cannot be
// read.
struct SubListLoad
{
    bool ok = false;
    QString error;
    SubListRows rows;
};
SubListLoad loadSubList(AccesBase &db, const SubListDescription &description, const QString &code);

// The choices of every Choice column, sorted by label.
SubListChoices loadSubListChoices(AccesBase &db, const SubListDescription &description);

// The first problem of the rows as a French message naming the tab and the row; "" when
// they can be saved. A code that is not in its list is refused unless the row was loaded
// with it.
QString checkSubList(const SubListDescription &description, const SubListRows &rows,
                     const SubListChoices &choices);

// The number of a new row: one more than the highest of the table's rows for the station
// and of the rows in the grid.
qlonglong nextSubListNumber(AccesBase &db, const SubListDescription &description,
                            const QString &code, const SubListRows &rows);

// Checks, then deletes the station's rows and inserts the rows again (the title row
// first when it has a title) in one transaction: on any failure the table is as before.
// Rows added or changed get the session's login and the current time in the stamp columns.
// Refused, with nothing written, when the station's rows are no longer those loaded.
// Returns "" on success, else the French reason.
QString saveSubList(AccesBase &db, const SubListDescription &description, const QString &code,
                    const SubListRows &rows, const SubListChoices &choices);

} // namespace plx
