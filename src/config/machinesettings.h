#pragma once

#include <QString>

#include <optional>

namespace plx {

// The per-machine key-value store (the "registry"): connection profile, automatic login,
// last user and the options read before anyone logs in.
//
// Windows: the real key under HKEY_LOCAL_MACHINE. Reads look in HKEY_CURRENT_USER, then
// the 32-bit view of HKLM (where an older 32-bit client left its values), then the 64-bit
// view; writes go where they succeed (HKLM needs administrator rights).
// Elsewhere: a per-user INI file (mode 0600, it holds the database password), one group
// per key path; the environment variable PLX_SETTINGS_FILE overrides its location.
//
// Value names are matched case-insensitively, as registry names are.
namespace machinesettings {

// "SOFTWARE\VELMORA\PLXReader6": the application's key.
QString applicationKeyPath();
// "SOFTWARE\VELMORA\KELDA6": the key shared by the modules of the suite.
QString suiteKeyPath();

// The INI file used on systems without a registry.
QString iniFilePath();

// The raw value: a string cut at its first NUL, a DWORD as its decimal number. nullopt
// when the key or the value does not exist. An empty keyPath means the application key.
std::optional<QString> read(const QString &keyPath, const QString &name);

// Creates the key if needed. False when the value could not be stored.
bool write(const QString &keyPath, const QString &name, const QString &value);

} // namespace machinesettings

} // namespace plx
