#include "db/mdbprotection.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace plx {

namespace {

// Page 0 is masked from 0x18 on with the RC4 stream of the key 0x6b39dac7 (Jet 3: 126
// bytes, later versions 128); mdbtools' HACKING and Jackcess describe the same layout.
constexpr int maskStart = 0x18;
constexpr int maskedJet3 = 126;
constexpr int maskedJet4 = 128;
constexpr int encodingKeyAt = 0x3e; // non-zero: the pages are encoded
constexpr int passwordAt = 0x42;    // Jet 3: 20 bytes of text; Jet 4 and ACE: 40, UTF-16
constexpr int passwordJet3 = 20;
constexpr int passwordJet4 = 40;
constexpr int createdAt = 0x72; // Jet 4 and ACE mask the password with this date
constexpr int firstAceVersion = 2;

using HeaderMask = std::array<unsigned char, maskedJet4>;

HeaderMask headerMask()
{
    const unsigned char key[4] = {0xc7, 0xda, 0x39, 0x6b};
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[size_t(i)] + key[i % 4]) & 0xff;
        std::swap(s[size_t(i)], s[size_t(j)]);
    }
    HeaderMask mask{};
    for (int n = 0, i = 0, j = 0; n < maskedJet4; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[size_t(i)]) & 0xff;
        std::swap(s[size_t(i)], s[size_t(j)]);
        mask[size_t(n)] = s[(s[size_t(i)] + s[size_t(j)]) & 0xff];
    }
    return mask;
}

// The creation date cut to a 32-bit integer, saturating as Java's cast does in Jackcess
// (a damaged date must not be undefined behaviour here).
qint32 dateMask(double created)
{
    if (std::isnan(created))
        return 0;
    if (created >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (created <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return qint32(created);
}

} // namespace

AccessProtection accessProtection(const QByteArray &pageZero)
{
    if (pageZero.size() < accessHeaderSize || !pageZero.startsWith(QByteArrayLiteral("\x00\x01\x00\x00")))
        return AccessProtection::None;
    const QByteArray engine = pageZero.mid(4, 15);
    if (engine != "Standard Jet DB" && engine != "Standard ACE DB")
        return AccessProtection::None;
    const int version = static_cast<unsigned char>(pageZero.at(0x14));
    const bool jet3 = version == 0;

    static const HeaderMask mask = headerMask();
    std::array<unsigned char, maskedJet4> header{};
    const int masked = jet3 ? maskedJet3 : maskedJet4;
    for (int i = 0; i < masked; ++i)
        header[size_t(i)] = static_cast<unsigned char>(pageZero.at(maskStart + i)) ^ mask[size_t(i)];
    const auto field = [&header](int offset) { return header.data() + (offset - maskStart); };

    if (version >= firstAceVersion && qFromLittleEndian<quint32>(field(encodingKeyAt)) != 0)
        return AccessProtection::Encrypted;
    // Without a password the unmasked bytes are those of an empty password: all zero.
    unsigned char password[passwordJet4] = {};
    if (jet3) {
        std::copy_n(field(passwordAt), passwordJet3, password);
    } else {
        const quint64 bits = qFromLittleEndian<quint64>(field(createdAt));
        double created = 0;
        std::memcpy(&created, &bits, sizeof created);
        unsigned char dateBytes[4];
        qToLittleEndian(dateMask(created), dateBytes);
        for (int i = 0; i < passwordJet4; ++i)
            password[i] = static_cast<unsigned char>(field(passwordAt)[i] ^ dateBytes[i % 4]);
    }
    for (const unsigned char byte : password) {
        if (byte != 0)
            return AccessProtection::Password;
    }
    return AccessProtection::None;
}

AccessProtection accessFileProtection(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return AccessProtection::None;
    return accessProtection(file.read(accessHeaderSize));
}

} // namespace plx
