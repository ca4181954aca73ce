#pragma once

#include <QString>
#include <QStringList>

namespace plx {

// The French user guide shipped with the program: HTML pages in one folder, an index
// ("index.html") and one page per screen and per task.

// The page of a screen, from its class name (with or without the "plx::" namespace);
// "index.html" for a screen without a page of its own.
QString guidePageForScreen(const QString &className);
// Every page a screen maps to, without duplicates (the index excluded).
QStringList guideScreenPages();

// The folder holding the guide: the one set with setGuideFolder, else the installed one
// (../share/plxreader/guide beside the program, or guide/ beside it), else the build
// tree's. "" when none holds an index.
QString guideFolder();
// Replaces the search (tests, packaging checks); "" restores it.
void setGuideFolder(const QString &folder);

// Where the help of page opens, for the help option FichierAide:
// - empty: the shipped guide's page ("" when the guide is not installed);
// - a web address (beginning with HTTP): "<address>/<page>", the index being the
//   historical "docs_PLX_help.htm";
// - a folder: "<folder>/<page>" when that file exists, else the historical
//   "<folder>/docs_PLX_help_.htm".
QString helpPageLocation(const QString &fichierAide, const QString &page);

} // namespace plx
