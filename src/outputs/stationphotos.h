#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace plx {

// The station's pictures by kind: PHOTO_SITE, PHOTO_REPERE, PHOTO_CARTE, PHOTO_STATION
// paired with the file that carries the kind's marker as the last "_token" before the
// extension ("site" or "A", "repere" or "R", "carte" or "S", "station" or "P"), compared
// without regard to case. A file marked with the whole word wins over one marked with the
// letter, and "_S" never matches "_station". Kinds without a file are left out.
std::vector<std::pair<QString, QString>> stationPhotoFiles(const QStringList &files);

// A picture file as stored with the station, made readable from anywhere: a name or a
// relative path is taken in the photos folder (when one is set); an absolute path, on
// either system's form ("/srv/p.jpg", "C:\\photos\\p.jpg", "\\\\serveur\\p.jpg"), stays.
QString photoFilePath(const QString &stored, const QString &photoFolder);

} // namespace plx
