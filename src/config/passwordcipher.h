#pragma once

#include <QString>

#include <optional>

namespace plx {

// The encipherment of the passwords written in databases.properties: every workstation
// reading the shared file deciphers them with the same program key. It keeps passwords
// from being read at a glance; it is not protection against someone who has the program.
//
// The text form is upper-case hexadecimal; any Unicode password round-trips.
QString encipherPassword(const QString &password);

// nullopt when the text was not written by encipherPassword (not hexadecimal, wrong
// check byte, not UTF-8 once deciphered). An empty text is the empty password.
std::optional<QString> decipherPassword(const QString &text);

} // namespace plx
