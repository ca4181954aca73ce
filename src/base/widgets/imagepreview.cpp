#include "base/widgets/imagepreview.h"

#include <QPainter>
#include <QPixmap>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace plx {

void previewImage(QWidget *parent, const QPixmap &image, const QString &documentName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(documentName);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Aperçu avant impression"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&image](QPrinter *target) {
                         QPainter painter(target);
                         const QRect page = painter.viewport();
                         QSize size = image.size();
                         size.scale(page.size(), Qt::KeepAspectRatio);
                         painter.setRenderHint(QPainter::SmoothPixmapTransform);
                         painter.drawPixmap(QRect(page.topLeft(), size), image);
                     });
    preview.exec();
}

} // namespace plx
