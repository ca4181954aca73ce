#pragma once

#include "outputs/sheetmarkers.h"
#include "outputs/zipentries.h"

#include <vector>

namespace plx {

// Replaces the markers of every worksheet of an .xlsx package in place: shared and inline
// string cells whose text begins with "#" become inline text or numbers, formula cells are
// left, "#STOP" ends its sheet. Only the replaced cells' XML changes; the workbook asks for
// a recalculation on opening so that formulas see the new values. False with a French
// reason.
bool fillXlsxEntries(std::vector<ZipEntry> &entries, SheetMarkers &markers, QString *why);

// The same for the tables of an .ods content.xml: string cells whose text begins with "#".
bool fillOdsEntries(std::vector<ZipEntry> &entries, SheetMarkers &markers, QString *why);

} // namespace plx
