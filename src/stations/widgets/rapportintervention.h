#pragma once

#include <QString>

#include <functional>

class QImage;
class QPrinter;
class QWidget;

namespace plx {

// The printable report of one intervention, shown in the print preview (portrait A4),
// printed or saved as PDF from the preview's own buttons. False after a message when the
// intervention cannot be read.
bool previewInterventionReport(QWidget *parent, qlonglong station, int numero);

// What shows a report once read: the print preview by default. Tests replace it so that
// no modal window opens. Returns the previous one.
using ReportViewer =
    std::function<void(QWidget *parent, const QString &title, const QString &html)>;
ReportViewer setReportViewer(ReportViewer viewer);

// The report's HTML laid out on the printer's page.
void printReportHtml(QPrinter *printer, const QString &html);

// The first page of a report as a picture of the given width (screenshots, tests).
QImage reportPagePicture(const QString &html, int width);

} // namespace plx
