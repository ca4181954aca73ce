#pragma once

#include <QString>
#include <QStringList>

namespace plx {

// The rain gauge's bookmark words, the more specific before the general
// (COMMENTAIRE_PLUVIO before COMMENTAIRE, C_COMMUNE_DEC before C_COMMUNE).
const QStringList &stationVocabulary();

// Prefixes of the bookmark families (NET_ + network code, C_ + intervener type,
// COORDONNEE_X_ + projection code...): their names are only ever looked up whole.
const QStringList &bookmarkFamilies();

// The vocabulary word a template's name stands for, in upper case: the longest word that
// begins it ("C_COMMUNE2" -> C_COMMUNE), unless a family prefix at least as long begins it
// ("COORDONNEE_X_26" is the family, not COORDONNEE_X). "" when none.
QString vocabularyWordOf(const QString &upperName);

} // namespace plx
