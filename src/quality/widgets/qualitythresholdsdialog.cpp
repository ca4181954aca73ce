#include "quality/widgets/qualitythresholdsdialog.h"

#include "base/messages.h"
#include "db/accesbase.h"
#include "stations/stationcodes.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace plx {

QualityThresholdsDialog::QualityThresholdsDialog(AccesBase &db, const QString &code,
                                                 const QString &stationName, QWidget *parent)
    : QDialog(parent), m_db(db), m_code(code)
{
    setObjectName(QStringLiteral("QualityThresholdsDialog"));
    setWindowTitle(QStringLiteral("Seuils des contrôles — %1").arg(stationName));

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QLocale french(QLocale::French, QLocale::France);
    for (const QualityThresholdField &field : qualityThresholdFields()) {
        auto *spin = new QDoubleSpinBox;
        spin->setObjectName(field.key);
        spin->setLocale(french);
        spin->setDecimals(field.decimals);
        spin->setRange(field.minimum, field.maximum);
        spin->setSingleStep(field.decimals == 0 ? 1 : field.decimals == 1 ? 1.0 : 0.05);
        if (!field.unit.isEmpty())
            spin->setSuffix(QLatin1Char(' ') + field.unit);
        spin->setAlignment(Qt::AlignRight);
        spin->setMinimumWidth(120);
        form->addRow(field.caption + QStringLiteral(" :"), spin);
        m_fields.push_back(spin);
    }
    auto *page = new QWidget;
    page->setLayout(form);
    auto *scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);

    auto *buttons = new QDialogButtonBox;
    QPushButton *save =
        buttons->addButton(QStringLiteral("Enregistrer"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("BtnEnregistrer"));
    save->setDefault(true);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("BtnAnnuler"));
    QPushButton *defaults =
        buttons->addButton(QStringLiteral("Valeurs par défaut"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("BtnDefauts"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, [this] { setThresholds(QualityThresholds()); });

    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral(
        "Seuils propres à cette station ; les valeurs par défaut conviennent à un pluviomètre "
        "journalier ou horaire de France métropolitaine."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    resize(560, 640);
}

QualityThresholds QualityThresholdsDialog::thresholds() const
{
    QualityThresholds t;
    const auto &fields = qualityThresholdFields();
    for (size_t i = 0; i < fields.size(); ++i)
        t.*fields[i].member = m_fields[i]->value();
    return t;
}

void QualityThresholdsDialog::setThresholds(const QualityThresholds &t)
{
    const auto &fields = qualityThresholdFields();
    for (size_t i = 0; i < fields.size(); ++i)
        m_fields[i]->setValue(t.*fields[i].member);
}

void QualityThresholdsDialog::accept()
{
    QString error;
    if (!saveQualityThresholds(m_db, m_code, thresholds(), &error)) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Les seuils n'ont pas pu être enregistrés : %1").arg(error));
        return;
    }
    QDialog::accept();
}

bool editQualityThresholds(QWidget *parent, AccesBase &db, const QString &code)
{
    const QualityThresholdsRead read = loadQualityThresholds(db, code);
    if (!read.ok) {
        showMessage(
            MessageKind::Erreur,
            QStringLiteral("Lecture des seuils de la station impossible : %1").arg(read.error));
        return false;
    }
    QString name = stationDisplayName(db, code);
    if (name.isEmpty())
        name = code;
    QualityThresholdsDialog dialog(db, code, name, parent);
    dialog.setThresholds(read.thresholds);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace plx
