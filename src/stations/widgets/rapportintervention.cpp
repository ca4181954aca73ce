#include "stations/widgets/rapportintervention.h"

#include "base/messages.h"
#include "db/accesbase.h"
#include "stations/interventions.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

namespace plx {

namespace {

// Margins of the printed page, in millimetres.
constexpr qreal kMarginMm = 18;

void showPreview(QWidget *parent, const QString &title, const QString &html)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(title);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Aperçu avant impression - ") + title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&html](QPrinter *target) { printReportHtml(target, html); });
    preview.exec();
}

ReportViewer &viewer()
{
    static ReportViewer current = showPreview;
    return current;
}

} // namespace

ReportViewer setReportViewer(ReportViewer replacement)
{
    ReportViewer previous = viewer();
    viewer() = replacement ? std::move(replacement) : ReportViewer(showPreview);
    return previous;
}

void printReportHtml(QPrinter *printer, const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    // QTextDocument::print paginates and keeps the text as text in a PDF.
    printer->setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                            QPageLayout::Millimeter);
    document.print(printer);
}

QImage reportPagePicture(const QString &html, int width)
{
    QTextDocument document;
    document.setHtml(html);
    // An A4 page: 210 x 297 mm, margins included.
    const qreal margin = width * kMarginMm / 210.0;
    document.setTextWidth(width - 2 * margin);
    const int height = int(width * 297.0 / 210.0);
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(margin, margin);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, 0, width - 2 * margin, height - 2 * margin);
    document.documentLayout()->draw(&painter, context);
    return page;
}

bool previewInterventionReport(QWidget *parent, qlonglong station, int numero)
{
    const InterventionReport report = interventionReport(AccesBase::instance(), station, numero);
    if (!report.ok) {
        showMessage(MessageKind::Erreur, report.error);
        return false;
    }
    viewer()(parent, report.title, report.html);
    return true;
}

} // namespace plx
