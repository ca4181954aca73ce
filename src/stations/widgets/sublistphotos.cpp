#include "stations/widgets/sublistphotos.h"

#include "stations/widgets/sublistform.h"

#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

namespace plx {

SubListPhotos::SubListPhotos(QWidget *parent) : SubListWidget(SubListTab::Photos, parent)
{
    setObjectName(QStringLiteral("OngletPhotos"));
    auto *entries = new QGridLayout;
    for (const SubListColumn *column : description().shownColumns()) {
        const int at = int(m_entries.size());
        Entry entry{column, new QLineEdit(this), new QToolButton(this)};
        entry.path->setObjectName(QStringLiteral("Txt") + column->name);
        entry.path->setMaxLength(column->maxLength);
        entry.path->installEventFilter(this);
        entry.browse->setObjectName(QStringLiteral("Cmd") + column->name);
        entry.browse->setText(QStringLiteral("…"));
        entry.browse->setToolTip(QStringLiteral("Choisir la photo « %1 »").arg(column->heading));
        auto *label = new QLabel(column->heading + QStringLiteral(" :"), this);
        label->setBuddy(entry.path);
        connect(entry.path, &QLineEdit::textEdited, this,
                [this, at](const QString &text) { pathEdited(at, text); });
        connect(entry.browse, &QToolButton::clicked, this, [this, at] { browse(at); });
        entries->addWidget(label, at, 0);
        entries->addWidget(entry.path, at, 1);
        entries->addWidget(entry.browse, at, 2);
        m_entries.push_back(entry);
    }
    entries->setColumnStretch(1, 1);

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("ImgApercu"));
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setMinimumSize(240, 180);
    m_preview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("lblApercu"));
    m_caption->setAlignment(Qt::AlignCenter);
    auto *previewColumn = new QVBoxLayout;
    previewColumn->addWidget(m_preview, 1);
    previewColumn->addWidget(m_caption);

    auto *top = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addLayout(entries);
    left->addStretch(1);
    top->addLayout(left, 1);
    top->addLayout(previewColumn, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(statusLabel());
    updateEditable();
}

bool SubListPhotos::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].path == watched)
                selectPicture(int(i));
        }
    }
    return SubListWidget::eventFilter(watched, event);
}

void SubListPhotos::resizeEvent(QResizeEvent *event)
{
    SubListWidget::resizeEvent(event);
    updatePreview();
}

void SubListPhotos::selectPicture(int entry)
{
    if (entry < 0 || entry >= int(m_entries.size()) || entry == m_selected)
        return;
    m_selected = entry;
    updatePreview();
}

void SubListPhotos::showRows()
{
    for (const Entry &entry : m_entries) {
        entry.path->setText(singleRowText(rows(), entry.column->name));
        entry.path->setEnabled(rows().columnIndex(entry.column->name) >= 0);
    }
    updatePreview();
}

void SubListPhotos::updateEditable()
{
    for (const Entry &entry : m_entries) {
        entry.path->setReadOnly(!canEdit());
        entry.browse->setEnabled(canEdit());
    }
}

void SubListPhotos::browse(int entry)
{
    selectPicture(entry);
    const QString file = chooseFile(
        QStringLiteral("Choisir la photo « %1 »").arg(m_entries[size_t(entry)].column->heading));
    if (file.isEmpty())
        return;
    m_entries[size_t(entry)].path->setText(file);
    pathEdited(entry, file);
}

void SubListPhotos::pathEdited(int entry, const QString &text)
{
    setSingleRowText(rows(), description(), stationCode(), m_entries[size_t(entry)].column->name,
                     text);
    markDirty();
    if (entry == m_selected)
        updatePreview();
}

void SubListPhotos::updatePreview()
{
    if (m_entries.empty())
        return;
    const Entry &entry = m_entries[size_t(m_selected)];
    const QString path = entry.path->text().trimmed();
    m_caption->setText(entry.column->heading);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = path.isEmpty() ? QImage() : reader.read();
    if (image.isNull()) {
        m_preview->setPixmap({});
        m_preview->setText(path.isEmpty() ? QStringLiteral("Aucune photo")
                           : QFileInfo::exists(path)
                               ? QStringLiteral("Aperçu impossible : ce fichier n'est pas une "
                                                "image lisible.")
                               : QStringLiteral("Fichier introuvable."));
        return;
    }
    QSize room = m_preview->contentsRect().size();
    if (room.width() < 16 || room.height() < 16) // not laid out yet
        room = m_preview->minimumSize();
    room = room.boundedTo(image.size());
    m_preview->setPixmap(
        QPixmap::fromImage(image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

} // namespace plx
