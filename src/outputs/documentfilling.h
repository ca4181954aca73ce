#pragma once

// Shared by the word-processor and office-suite fillers: what a bookmark is, where its
// value or pictures come from, and the layout of the measurement table.

#include "outputs/documenttemplate.h"
#include "outputs/xmltree.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace plx {

class ZipPackage;

namespace documentfill {

enum class Kind { Text, Picture, Chart, Measures };

// The special bookmarks are recognised by the word they begin with (a template repeats
// them with a suffix: GRAPHIQUE_ANNEE2, PHOTO_SITE_1...).
Kind kindOf(const QString &bookmark);
// The chart word a chart bookmark begins with ("GRAPHIQUE_ANNEE").
QString chartWord(const QString &bookmark);

// A picture ready to be stored in a package.
struct Picture
{
    QByteArray data;   // PNG, JPEG or GIF
    QString extension; // "png", "jpeg", "gif"
    QString mimeType;
    QSize pixels;
    QByteArray svg; // optional vector version
};

// The pictures of a picture or chart bookmark: the chart handed over by the screen, or the
// files named by the bookmark's value (several separated by ";" or line breaks). False
// when a named file cannot be read as a picture (the others are still returned).
bool picturesFor(const QString &bookmark, const DocumentFill &fill, std::vector<Picture> *out);
// Reads a PNG, JPEG or GIF file's bytes and pixel size from its header.
bool readPicture(const QByteArray &data, Picture *out);

// The text value of a bookmark ("" when the table has nothing for it).
QString valueFor(const QString &bookmark, const DocumentFill &fill);
// How a bookmark that could not be filled is reported.
QString failureNote(const QString &bookmark);
void reportProgress(const DocumentFill &fill, const QString &bookmark);
// A bookmark that could not be filled goes to the progress line as its note; the route
// goes on with the next bookmark.
void reportFailure(const DocumentFill &fill, const QString &bookmark);

// Validity shading of the measurement table, as an RGB hex colour ("" = no shading):
// validated "V" pale green, controlled "C" pale blue, not validated (empty) unshaded,
// any other code (doubtful, estimated...) pale orange so that it catches the eye.
QString validityColour(const QString &validity);
// Share of the table width for each column, from the longest text of each column.
std::vector<double> columnShares(const MeasureTable &table);
// Whether a column holds numbers only (right-aligned).
bool numericColumn(const MeasureTable &table, int column);

// Markers of other ranges (bookmarks, comments, permissions) that clearing a bookmark's
// content must keep.
bool isRangeMarker(const XmlNode *node);
// Removes every node strictly between start and end (document order), keeping range
// markers and the ancestors of end. False, with nothing removed, when end does not follow
// start.
bool clearBetween(XmlNode *start, XmlNode *end);
// The prefix (with ":") the root declares for a namespace; declared as preferred when
// missing.
QString namespacePrefix(XmlNode *root, const QString &uri, const QString &preferred);
// Text escaped for an XML part; characters XML cannot hold (control characters a database
// field may carry) are dropped rather than making the part unreadable.
QString xmlText(const QString &text);
// Value text split for the writers: "\n" line breaks, "\t" tabs, "\r" dropped.
QStringList lines(const QString &value);

} // namespace documentfill

bool fillDocx(ZipPackage &package, const DocumentFill &fill, QString *error);
bool fillOdt(ZipPackage &package, const DocumentFill &fill, QString *error);

} // namespace plx
