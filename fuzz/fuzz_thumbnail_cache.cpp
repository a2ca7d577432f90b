// A thumbnail cache file as the cache reads it back: whatever lies in the
// cache folder (cut short, damaged, foreign) is refused or read whole, never
// read past its end or unpacked beyond its stated picture; what is read
// writes back to the same key and picture.
#include <zlib.h>

#include <QtEndian>

#include "FuzzSupport.h"
#include "models/ThumbnailCache.h"

namespace {

void check(QByteArrayView bytes)
{
    ThumbnailCache::Key key;
    ThumbnailCache::Entry entry;
    if (!ThumbnailCache::decode(bytes, &key, &entry)) return;
    const RgbaImage& p = entry.picture;
    if (!p.isNull() &&
        (p.pixels.size() != qsizetype(p.width) * p.height * 4 || p.width > key.edge || p.height > key.edge))
        FuzzSupport::broken("picture of the wrong size");
    // Text that was not UTF-8 grows when written back, past what a file may
    // hold: the writer refuses that rather than cut it.
    const QByteArray written = ThumbnailCache::encode(key, entry);
    if (written.isEmpty()) return;
    ThumbnailCache::Key again;
    ThumbnailCache::Entry back;
    if (!ThumbnailCache::decode(written, &again, &back) || !(again == key) || back.picture.pixels != p.pixels ||
        back.failure != entry.failure)
        FuzzSupport::broken("a file read does not write back the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(bytes);
    // The same bytes with the checksum they need, so that the fuzzer reaches
    // the reading behind it (a checksum is all but never hit by chance).
    if (size >= 4) {
        QByteArray sealed(bytes.first(qsizetype(size) - 4).toByteArray());
        const quint32 sum = quint32(
            crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(sealed.constData()), uInt(sealed.size())));
        char le[4];
        qToLittleEndian(sum, le);
        sealed.append(le, 4);
        check(sealed);
    }
    return 0;
}
