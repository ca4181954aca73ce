#pragma once

#include <QString>

namespace plx {

// Options: per user in UTILISATEURS_PARAMETRES once a user is logged in (the same options
// on every workstation), otherwise in the per-machine store. Connection-profile keys
// (Base, TypeBase, ServeurBase, PortServeurBase, UserBase, PassBase, ConnexionAutomatic,
// LastUser) and LastProject always stay in the machine store.

// The login of the user logged in for this run; empty before login. The login screen sets
// it. Every call starts a fresh per-user cache, even for the same login (a new login may
// be on another database).
QString currentLogin();
void setCurrentLogin(const QString &login);
// Forgets the cached per-user values (e.g. after the options were changed elsewhere).
void clearUserSettingsCache();

// True for the keys that never go to the per-user table.
bool isMachineOnlySetting(const QString &key);

// The option's value, "" when it is set nowhere. A value from the machine store is trimmed
// and, unless keepCase, upper-cased: read paths, template names, logins and passwords with
// keepCase, and compare flag values ("OUI", "1") case-insensitively. A value from the
// user's table comes back as stored. An empty keyPath means the application key (the
// suite key for LastProject); an explicit one is used unchanged.
QString LireParametre(const QString &key, const QString &keyPath = {}, bool keepCase = false);

// Stores the option where LireParametre reads it. An empty value is stored as " " in the
// machine store and as NULL in the user's table; both read back as "".
bool EcrireParametre(const QString &key, const QString &value, const QString &keyPath = {});

} // namespace plx
