#include "config/passwordcipher.h"

#include <QByteArray>
#include <QStringDecoder>

namespace plx {

namespace {

// The program key: twelve characters shared by every copy of the program.
constexpr char kKey[] = "Vlm0r@Plx6#k";
static_assert(sizeof(kKey) - 1 == 12);

// XOR with the key, cycling; each byte also depends on its position so that a repeated
// character does not show as a repeated pair.
QByteArray applyKey(const QByteArray &bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto mask = static_cast<unsigned char>(kKey[i % 12] + 31 * i);
        out[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ mask);
    }
    return out;
}

// Lets the reader tell our text from a plain or foreign password.
char checkByte(const QByteArray &plain)
{
    unsigned sum = 0xA5;
    for (const char c : plain)
        sum = (sum * 33 + static_cast<unsigned char>(c)) & 0xFF;
    return static_cast<char>(sum);
}

bool isHex(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f')))
            return false;
    }
    return true;
}

} // namespace

QString encipherPassword(const QString &password)
{
    if (password.isEmpty())
        return QString();
    QByteArray plain = password.toUtf8();
    plain.append(checkByte(plain));
    return QString::fromLatin1(applyKey(plain).toHex().toUpper());
}

std::optional<QString> decipherPassword(const QString &text)
{
    const QString hex = text.trimmed();
    if (hex.isEmpty())
        return QString();
    if (hex.size() % 2 != 0 || hex.size() < 4 || !isHex(hex))
        return std::nullopt;
    QByteArray plain = applyKey(QByteArray::fromHex(hex.toLatin1()));
    const char check = plain.back();
    plain.chop(1);
    if (check != checkByte(plain))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString password = utf8(plain);
    if (utf8.hasError())
        return std::nullopt;
    return password;
}

} // namespace plx
