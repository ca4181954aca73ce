#pragma once

#include <QString>

class QPixmap;
class QWidget;

namespace plx {

// The print preview of a screen's picture: landscape, scaled to the page, printed from
// the preview's own buttons.
void previewImage(QWidget *parent, const QPixmap &image, const QString &documentName);

} // namespace plx
