#include "stations/widgets/stationlistchoice.h"

#include "base/messages.h"
#include "base/widgets/navigator.h"
#include "session/session.h"
#include "stations/savedlists.h"
#include "stations/stationlist.h"
#include "stations/widgets/listepluviometres.h"

#include <QComboBox>

#include <algorithm>

namespace plx {

namespace {

// Item data: the first item and the selection are marked apart from the lists' codes.
constexpr qint64 kTyped = 0;
constexpr qint64 kSelection = -1;

} // namespace

void fillStationListChoice(QComboBox *combo, const QString &firstItem)
{
    const QVariant kept = combo->currentData();
    const QSignalBlocker blocker(combo);
    combo->clear();
    combo->addItem(firstItem, kTyped);
    combo->addItem(QStringLiteral("Sélection de la liste des pluviomètres"), kSelection);
    for (const SavedListEntry &entry : savedListEntries(session().login))
        combo->addItem(entry.label + QStringLiteral(" [") + QString::number(entry.code)
                           + QLatin1Char(']'),
                       entry.code);
    const int index = kept.isValid() ? combo->findData(kept) : -1;
    combo->setCurrentIndex(index >= 0 ? index : 0);
}

std::optional<QStringList> stationsOfChoice(const QComboBox *combo)
{
    const qint64 choice = combo->currentData().toLongLong();
    if (choice == kTyped)
        return std::nullopt;
    if (choice == kSelection) {
        const ListePluviometres *list = nullptr;
        if (Navigator *navigator = navigatorFor(combo)) {
            for (QWidget *screen : navigator->screens()) {
                if ((list = qobject_cast<const ListePluviometres *>(screen)))
                    break;
            }
        }
        std::vector<qint64> codes = list ? list->selectedCodes() : std::vector<qint64>{};
        if (codes.empty()) {
            showMessage(MessageKind::Aide,
                        QStringLiteral("Sélectionnez d'abord des pluviomètres dans la liste des "
                                       "pluviomètres."));
            return QStringList();
        }
        std::sort(codes.begin(), codes.end());
        QStringList texts;
        for (qint64 code : codes)
            texts << QString::number(code);
        return texts;
    }
    const SavedListStations stations = savedListStations(choice);
    if (!stations.ok) {
        showMessage(MessageKind::Erreur, stations.error);
        return QStringList();
    }
    if (stations.codes.isEmpty())
        showMessage(MessageKind::Aide, QStringLiteral("Cette liste ne contient aucun pluviomètre."));
    return stations.codes;
}

} // namespace plx
