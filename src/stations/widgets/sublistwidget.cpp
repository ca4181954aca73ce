#include "stations/widgets/sublistwidget.h"

#include "base/messages.h"
#include "db/accesbase.h"

#include <QFileDialog>
#include <QLabel>

namespace plx {

namespace {

SubListWidget::FileChooser &fileChooser()
{
    static SubListWidget::FileChooser chooser = [](QWidget *parent, const QString &caption) {
        return QFileDialog::getOpenFileName(parent, caption);
    };
    return chooser;
}

} // namespace

SubListWidget::SubListWidget(SubListTab tab, QWidget *parent)
    : StationSubList(parent), m_description(subListDescription(tab))
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblEtat"));
    m_status->setWordWrap(true);
}

QString SubListWidget::title() const
{
    return m_description.title;
}

SubListWidget::FileChooser SubListWidget::setFileChooser(FileChooser chooser)
{
    FileChooser previous = fileChooser();
    fileChooser() = std::move(chooser);
    return previous;
}

QString SubListWidget::chooseFile(const QString &caption)
{
    return fileChooser()(this, caption);
}

void SubListWidget::setStationCode(const QString &code)
{
    m_code = code.trimmed();
    reload();
}

void SubListWidget::reload()
{
    AccesBase &db = AccesBase::instance();
    const SubListLoad load = loadSubList(db, m_description, m_code);
    m_loaded = load.ok;
    m_loadError = load.error;
    m_rows = load.rows;
    m_choices = load.ok ? loadSubListChoices(db, m_description) : SubListChoices{};
    showRows();
    const bool wasDirty = m_dirty;
    m_dirty = false;
    if (wasDirty)
        emit dirtyChanged(false);
    updateEditable();
    updateStatus();
}

bool SubListWidget::canEdit() const
{
    return m_editable && m_loaded && !m_code.isEmpty();
}

void SubListWidget::setEditable(bool editable)
{
    m_editable = editable;
    updateEditable();
    updateStatus();
}

void SubListWidget::markDirty()
{
    if (m_dirty)
        return;
    m_dirty = true;
    emit dirtyChanged(true);
}

bool SubListWidget::addRow()
{
    showMessage(MessageKind::Aide,
                QStringLiteral("L'onglet « %1 » n'a qu'une fiche par pluviomètre : saisissez "
                               "directement ses champs.")
                    .arg(m_description.title));
    return false;
}

bool SubListWidget::declencheInserer()
{
    if (m_code.isEmpty()) {
        showMessage(MessageKind::Erreur, subListNoStationMessage());
        return false;
    }
    if (!canEdit()) {
        showMessage(MessageKind::Erreur,
                    m_loaded ? QStringLiteral("Vous n'avez pas le droit de modifier cette fiche.")
                             : QStringLiteral("L'onglet « %1 » n'a pas pu être chargé : %2")
                                   .arg(m_description.title, m_loadError));
        return false;
    }
    return addRow();
}

bool SubListWidget::save()
{
    if (!m_dirty)
        return true;
    if (m_code.isEmpty()) {
        showMessage(MessageKind::Erreur, subListNoStationMessage());
        return false;
    }
    const QString problem =
        saveSubList(AccesBase::instance(), m_description, m_code, m_rows, m_choices);
    if (!problem.isEmpty()) {
        showMessage(MessageKind::Erreur, problem);
        return false;
    }
    reload(); // the rows as written become the loaded ones
    return true;
}

void SubListWidget::updateStatus()
{
    QString text;
    if (m_code.isEmpty())
        text = QStringLiteral("Enregistrez d'abord le pluviomètre pour saisir ces informations.");
    else if (!m_loaded)
        text = QStringLiteral("Impossible de lire %1 : %2").arg(m_description.table, m_loadError);
    else if (!m_editable)
        text = QStringLiteral("Lecture seule.");
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

} // namespace plx
