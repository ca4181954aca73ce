#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace plx {

// One grid value as every spreadsheet format writes it. Shared by the .xlsx, .ods and CSV
// writers so that the three agree on what is a number, a date or a text.
struct GridCell
{
    enum Kind {
        Empty,    // null or invalid value: the cell is left out
        Number,   // number
        Date,     // QDate, or a QDateTime at midnight: a day
        DateTime, // QDateTime with a time of day
        Time,     // QTime: a fraction of a day
        Text,     // everything else, QString included ("01053" stays text)
    };
    Kind kind = Empty;
    double number = 0;  // Number; the spreadsheet serial for Date, DateTime and Time
    QDate date;         // Date, DateTime (kept apart from the time: a QDateTime would
    QTime time;         // cost a time-zone lookup per cell) ; Time, DateTime
    QString text;       // Text, with the characters XML cannot hold removed
};

// A spreadsheet's serial day number cannot hold days before 01/03/1900 (its day 60 is a
// 29/02/1900 that never was): those dates become "dd/MM/yyyy" text (plus the time when
// there is one).
GridCell gridCellOf(const QVariant &value);

// For grids that only hold display text: a text that is exactly a French date
// ("dd/MM/yyyy", optionally " HH:mm" or " HH:mm:ss") becomes a QDate/QDateTime, a number
// written in French without a leading zero ("12,5", "-3", "0,25") a double; anything else,
// "01053" included, stays text. An empty text is null.
QVariant typedFrenchText(const QString &text);

// Appends text as XML content or attribute value, escaped (the writers build their row
// XML as text: much faster than a stream writer per cell).
void appendXmlEscaped(QString &out, const QString &text);

// Days since 30/12/1899 with the time as a fraction, the spreadsheet's date numbering.
double spreadsheetSerial(const QDate &date, const QTime &time = QTime(0, 0));

// A number as a spreadsheet stores it: at most 15 significant digits, as the spreadsheet
// itself keeps (0.1 + 0.2 is written 0.3), "." as the decimal point.
QString spreadsheetNumber(double value);

// "dd/MM/yyyy" and "HH:mm:ss", written without the cost of a format string.
QString frenchDate(const QDate &date);
QString clockTime(const QTime &time);

// Control characters below U+0020 other than tab and line breaks are not allowed in XML 1.0.
QString xmlSafeText(const QString &text);

// The text a cell shows in French: decimal comma, "dd/MM/yyyy", "HH:mm:ss".
QString frenchCellText(const GridCell &cell);

// "A", "B", ... "Z", "AA": the letters of a 0-based column.
QString spreadsheetColumnName(int column);

} // namespace plx
