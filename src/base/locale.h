#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

// The program's own French formats. The operating system's regional settings are never
// changed: every date and number the program shows or reads goes through these helpers,
// with explicit formats, whatever the machine's settings say.
namespace plx {

inline constexpr QLatin1StringView kDateFormat{"dd/MM/yyyy"};
inline constexpr QLatin1StringView kTimeFormat{"HH:mm:ss"};
inline constexpr QLatin1StringView kDateTimeFormat{"dd/MM/yyyy HH:mm:ss"};

// Dates typed or stored outside these years are refused (grids and literals alike).
inline constexpr int kFirstYear = 1800;
inline constexpr int kLastYear = 3000;

// Makes French/France the default QLocale of the program (month and day names, the
// decimal comma of number fields). Call once, before any screen is built.
void installProgramLocale();

// "05/03/2024", "07:30:00", "05/03/2024 07:30:00".
QString formatDate(const QDate &date);
QString formatTime(const QTime &time);
QString formatDateTime(const QDateTime &dateTime);

// A date typed day first: "d/M/yyyy" with an optional " H:mm" or " H:mm:ss", blanks around
// ignored. Anything else (month first, two-digit years, 31/02, a year outside 1800-3000,
// "2024-03-05", trailing text) gives nullopt: a date is never guessed.
std::optional<QDate> parseDate(const QString &text);
std::optional<QDateTime> parseDateTime(const QString &text);
// "H:mm" or "H:mm:ss".
std::optional<QTime> parseTime(const QString &text);

// A number typed in French or in the C form: "12,5", "12.5", "-0,25", "1 234,5" with a
// blank, a no-break space or a narrow no-break space (U+202F, Qt 6's French group
// separator) between groups of three digits. One decimal mark at most; "1.234,5", "1,2,3",
// "12a" and "" give nullopt.
std::optional<double> parseNumber(const QString &text);

// A number for display: decimal comma, no grouping, shortest exact form ("12,5", "0,1",
// "3"); with decimals >= 0, exactly that many decimals.
QString formatNumber(double value, int decimals = -1);

} // namespace plx
