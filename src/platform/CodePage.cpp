#include "platform/CodePage.h"

#include <array>
#include <mutex>
#include <unordered_map>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

// One decoded character for every byte value, filled once from the converter.
// A single-byte code page maps each byte on its own, so the table is exact.
struct Table {
    std::array<char16_t, 256> toUnicode{};
    std::unordered_map<char16_t, unsigned char> fromUnicode;
};

const Table& table()
{
    static Table t;
    static std::once_flag once;
    std::call_once(once, [] {
        for (int b = 0; b < 256; ++b) t.toUnicode[b] = char16_t(b);
#ifdef Q_OS_WIN
        for (int b = 1; b < 256; ++b) {
            char in = char(b);
            wchar_t out = 0;
            if (MultiByteToWideChar(CP_ACP, 0, &in, 1, &out, 1) == 1) t.toUnicode[b] = char16_t(out);
        }
#else
        // Linux has no system ANSI code page; Windows-1252, the page of the
        // game's western releases, stands in for it. The five byte values that
        // Windows-1252 leaves undefined map to the C1 controls of the same
        // value, as Windows itself decodes them.
        iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1252");
        if (cd != iconv_t(-1)) {
            for (int b = 1; b < 256; ++b) {
                char in = char(b);
                char out[8] = {};
                char* inp = &in;
                char* outp = out;
                size_t inLeft = 1, outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != size_t(-1) && outLeft == sizeof out - 2)
                    t.toUnicode[b] = char16_t(static_cast<unsigned char>(out[0]) |
                                              (static_cast<unsigned char>(out[1]) << 8));
            }
            iconv_close(cd);
        }
#endif
        for (int b = 255; b >= 0; --b) t.fromUnicode[t.toUnicode[b]] = static_cast<unsigned char>(b);
    });
    return t;
}

}  // namespace

namespace CodePage {

QString decode(const char* data, qsizetype length)
{
    const auto& map = table().toUnicode;
    QString out(length, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < length; ++i) dst[i] = QChar(map[static_cast<unsigned char>(data[i])]);
    return out;
}

bool canEncode(const QString& text)
{
    const auto& map = table().fromUnicode;
    for (QChar c : text)
        if (!map.contains(c.unicode())) return false;
    return true;
}

QByteArray encode(const QString& text, bool* ok)
{
    const auto& map = table().fromUnicode;
    QByteArray out(text.size(), Qt::Uninitialized);
    bool all = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        auto it = map.find(text[i].unicode());
        if (it == map.end()) {
            out[i] = '?';
            all = false;
        } else {
            out[i] = char(it->second);
        }
    }
    if (ok) *ok = all;
    return out;
}

}  // namespace CodePage
