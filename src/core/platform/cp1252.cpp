#include "core/platform/cp1252.h"

#include <QStringDecoder>

namespace {
// 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int byteFor(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == c)
            return 0x80 + i;
    return -1;
}
} // namespace

namespace Cp1252 {

QByteArray encode(const QString &text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const int b = byteFor(ch.unicode());
        out.append(b < 0 ? '?' : char(b));
    }
    return out;
}

QString decode(const QByteArray &bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b >= 0x80 && b < 0xA0)
            out.append(kHigh[b - 0x80] ? QChar(kHigh[b - 0x80]) : QChar(b));
        else
            out.append(QChar(b));
    }
    return out;
}

bool canEncode(const QString &text) {
    for (QChar ch : text)
        if (byteFor(ch.unicode()) < 0)
            return false;
    return true;
}

QString decodeUtf8OrCp1252(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? decode(bytes) : text;
}

} // namespace Cp1252
