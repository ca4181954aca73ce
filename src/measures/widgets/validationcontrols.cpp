#include "measures/widgets/validation.h"

#include "base/locale.h"
#include "base/messages.h"
#include "db/accesbase.h"
#include "measures/widgets/validationgrid.h"
#include "measures/widgets/validationmodel.h"
#include "quality/qualitystore.h"
#include "quality/widgets/qualitypanel.h"
#include "session/journal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>

// The quality-control side of the validation editor: the panel shown or hidden, the rules
// run over the loaded window, and the check before validating past open severe flags.
namespace plx {

void Validation::DeclencheControles()
{
    const bool show = m_controls->isHidden();
    m_controls->setVisible(show);
    m_controlsButton->setChecked(show);
    if (show) {
        // Room for the panel's columns without squeezing the grid below its own.
        const int total = m_split->width();
        m_split->setSizes({total - total * 2 / 5, total * 2 / 5});
        showWindowFlags();
    }
}

void Validation::showWindowFlags()
{
    m_controls->setWindow(m_code, m_loadedFrom, m_loadedTo);
}

void Validation::lancerControles()
{
    if (m_busy || m_code.isEmpty())
        return;
    if (!m_loadedFrom.isValid()) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Charger les mesures d'une période avant de les contrôler."));
        return;
    }
    m_grid->commitPendingEdit();
    if (m_model->dirtyCount() > 0 &&
        !showMessage(MessageKind::Question,
                     QStringLiteral("Les contrôles portent sur les valeurs enregistrées : vos "
                                    "%1 ligne(s) modifiée(s) n'en tiennent pas compte tant "
                                    "qu'elles ne sont pas enregistrées. Lancer quand même ?")
                         .arg(m_model->dirtyCount())))
        return;
    if (m_controls->isHidden())
        DeclencheControles();
    setStatus(QStringLiteral("Contrôles en cours"));
    setBusy(true, true);
    m_progress->setValue(0);
    QPointer<Validation> guard(this);
    QElapsedTimer turn;
    turn.start();
    const QualityProgress progress = [&](qint64 done, qint64 total) {
        if (done > 0 && turn.elapsed() < 40)
            return !m_cancelRequested;
        turn.restart();
        if (total > 0)
            m_progress->setValue(int(90 * double(done) / double(total)));
        QCoreApplication::processEvents();
        return guard && !m_cancelRequested;
    };
    AccesBase &db = AccesBase::instance();
    const QualityRun run =
        m_qualityRunner ? m_qualityRunner(db, m_code, m_loadedFrom, m_loadedTo, progress)
                        : runQualityRules(db, m_code, m_loadedFrom, m_loadedTo, {}, progress);
    if (!guard)
        return;
    if (run.cancelled || m_cancelRequested) {
        setBusy(false, false);
        setStatus(QStringLiteral("Contrôles arrêtés : les contrôles enregistrés n'ont pas changé"));
        finishAfterBusy();
        return;
    }
    if (!run.ok) {
        setBusy(false, false);
        setStatus(QStringLiteral("Contrôles échoués"));
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Les contrôles n'ont pas pu être passés : ") + run.error);
        finishAfterBusy();
        return;
    }
    m_progress->setValue(90);
    const FlagMergeResult merged =
        saveQualityRun(db, m_code, m_loadedFrom, m_loadedTo, {}, run.flags);
    setBusy(false, false);
    if (!merged.ok) {
        setStatus(QStringLiteral("Contrôles non enregistrés"));
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Les résultats des contrôles n'ont pas pu être enregistrés : ") +
                        merged.error);
        finishAfterBusy();
        return;
    }
    journal(QStringLiteral("Contrôles qualité du pluviomètre %1 du %2 au %3 : %4 valeur(s) "
                           "signalée(s)")
                .arg(m_code, formatDate(m_loadedFrom), formatDate(m_loadedTo))
                .arg(run.flags.size()));
    showWindowFlags();
    QString status =
        QStringLiteral("Contrôles terminés : %1 valeur(s) signalée(s)").arg(run.flags.size());
    if (merged.kept > 0)
        status += QStringLiteral(", %1 déjà acceptée(s)").arg(merged.kept);
    if (merged.reopened > 0)
        status += QStringLiteral(", %1 à revoir (valeur changée)").arg(merged.reopened);
    setStatus(status);
    if (!m_controls->shownFlags().isEmpty())
        m_controls->nextFlag();
    finishAfterBusy();
}

bool Validation::confirmOpenSevereFlags()
{
    const int mark = m_model->markRow();
    if (mark < 0)
        return true;
    const int last = m_model->lastValidatedRow();
    const std::optional<QDateTime> after =
        last >= 0 ? std::optional<QDateTime>(m_model->row(last).loadedInstant()) : std::nullopt;
    const QDateTime until = m_model->row(mark).instant();
    QString error;
    qint64 open = countOpenFlags(AccesBase::instance(), m_code, after, until,
                                 QualitySeverity::Severe, &error);
    if (open < 0) {
        // Unknown is not none: the user decides with the reason in front of them.
        return showMessage(MessageKind::Question,
                           QStringLiteral("Les contrôles de la période n'ont pas pu être lus (%1). "
                                          "Valider quand même ?")
                               .arg(error));
    }
    // Values this save corrects no longer stand against the validation.
    open -= m_controls->correctedByEdits(after, until, QualitySeverity::Severe);
    if (open <= 0)
        return true;
    const QString text =
        open == 1
            ? QStringLiteral("1 contrôle de sévérité forte n'est pas traité dans la période à "
                             "valider. Valider quand même ?")
            : QStringLiteral("%1 contrôles de sévérité forte ne sont pas traités dans la période "
                             "à valider. Valider quand même ?")
                  .arg(open);
    if (askQuestionDefaultNo(text))
        return true;
    setStatus(QStringLiteral("Validation abandonnée : des contrôles sévères restent à traiter"));
    if (m_controls->isHidden())
        DeclencheControles();
    return false;
}

} // namespace plx
