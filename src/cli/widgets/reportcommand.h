#pragma once

#include <QStringList>

namespace plx::cli {

// plx report: fills a document or workbook template for one station or several (one file
// each), with the code the print dialog runs; --screen draws that chart screen offscreen
// for the station and hands its charts to the template. Starts its own QApplication on
// the offscreen platform, so main() calls it before creating any application object.
int reportMain(int argc, char **argv);

// The command itself, once the application exists (arguments after "report").
int reportCommand(const QStringList &arguments);

// The output file of one station among several: the code inserted before the extension,
// "bilan.docx" giving "bilan_12.docx".
QString stationOutputPath(const QString &out, const QString &code);

} // namespace plx::cli
