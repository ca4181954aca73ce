#pragma once

#include <QByteArray>
#include <QString>

// Whether an Access file is protected by a database password or encrypted. libmdb takes
// neither into account: it reads a Jet 3/4 file with a password as if it had none, and an
// encrypted ACCDB as noise. The owner protected the file, so the program refuses it and
// makes no working copy.
namespace plx {

enum class AccessProtection {
    None,
    Password,  // a Jet 3/4 (.mdb) or ACE database password
    Encrypted, // an ACE (.accdb) file whose pages are encrypted ("Chiffrer avec mot de passe")
};

// From the start of page 0 of a Jet or ACE file (at least its first 0x98 bytes; less, or
// anything else than a Jet/ACE header, reads as None).
AccessProtection accessProtection(const QByteArray &pageZero);

// The same for a file on disk; None when it cannot be read (the import reports that).
AccessProtection accessFileProtection(const QString &path);

// How many bytes of a file accessProtection() reads.
constexpr qsizetype accessHeaderSize = 0x98;

} // namespace plx
