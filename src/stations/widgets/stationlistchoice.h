#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QComboBox;

namespace plx {

// The combo of the screens that work on several stations (follow-up, situation): what the
// user typed, the selection of the open station list, or one of his saved lists.

// Fills combo: firstItem (the typed codes), "Sélection de la liste des pluviomètres", then
// the saved lists ("label [code]"). Keeps the current choice when it is still there.
void fillStationListChoice(QComboBox *combo, const QString &firstItem);

// The stations of the combo's choice: nullopt for the first item (the caller reads what
// was typed); else the codes, in increasing order. An unreadable list or an empty selection
// gives an empty list after a message.
std::optional<QStringList> stationsOfChoice(const QComboBox *combo);

} // namespace plx
