#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace plx {

// How the generic reader reads a CSV / TSV / text file: filled by the mapping dialog,
// guessed from the first lines, and kept by name for next time.
class CsvMapping
{
public:
    QString name;                 // the name it is saved under; empty when not saved
    QChar separator = QLatin1Char(';');
    QChar decimal = QLatin1Char(',');
    int headerLines = 1;
    int dateColumn = -1;          // 0-based; a date-time column when timeColumn is -1
    QString dateFormat;           // Qt format, e.g. "dd/MM/yyyy" or "yyyy-MM-dd HH:mm"
    int timeColumn = -1;
    QString timeFormat;           // e.g. "HH:mm"
    int stationColumn = -1;       // the station number, when the file holds several
    std::array<int, 6> valueColumns{-1, -1, -1, -1, -1, -1}; // grid order; -1 not read
    int validityColumn = -1;
    QString validatedCodes;       // the validity column's values meaning validated, ","-separated
    QString doubtfulCodes;        // the validity column's values meaning doubtful, ","-separated
    double scale = 1.0;           // multiplies every value: 0.1 for a file in tenths of mm

    // A mapping guessed from a file's first lines: separator, decimal mark, header lines,
    // the date (and time) column and its format, the first numeric column as Pluie.
    static CsvMapping guess(const QList<QByteArray> &firstLines);
    bool isComplete() const { return dateColumn >= 0; }

    // A blank separator means "one or more spaces or tabs" (fixed-width text).
    bool blankSeparated() const { return separator == QLatin1Char(' '); }
    // The mapping as one line of text (the settings value) and back; false when the text
    // is not a mapping.
    QString toText() const;
    static bool fromText(const QString &text, CsvMapping &mapping);
};

// The date formats the guess tries (and the dialog offers), most usual first.
QStringList csvDateFormats();
QStringList csvTimeFormats();

// Splits a line of the file into its fields, quotes removed ("a";"b").
QList<QByteArray> csvFields(const QByteArray &line, QChar separator);

// Kept per user by name (the settings table), under the key "ImportCsv:" + name, with the
// list of names under "ImportCsvMappings".
QStringList savedCsvMappings();
bool loadCsvMapping(const QString &name, CsvMapping &mapping);
bool saveCsvMapping(const CsvMapping &mapping);

} // namespace plx
