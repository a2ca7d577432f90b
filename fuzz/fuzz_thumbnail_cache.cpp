// A thumbnail cache file as the cache reads it back: whatever lies in the
// cache folder (cut short, damaged, foreign) is refused or read whole, never
// read past its end or unpacked beyond its stated picture; what is read
// writes back to the same key and picture.
#include "FuzzSupport.h"
#include "models/ThumbnailCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ThumbnailCache::Key key;
    ThumbnailCache::Entry entry;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!ThumbnailCache::decode(bytes, &key, &entry)) return 0;
    const RgbaImage& p = entry.picture;
    if (!p.isNull() &&
        (p.pixels.size() != qsizetype(p.width) * p.height * 4 || p.width > key.edge || p.height > key.edge))
        FuzzSupport::broken("picture of the wrong size");
    // Text that was not UTF-8 grows when written back, past what a file may
    // hold: the writer refuses that rather than cut it.
    const QByteArray written = ThumbnailCache::encode(key, entry);
    if (written.isEmpty()) return 0;
    ThumbnailCache::Key again;
    ThumbnailCache::Entry back;
    if (!ThumbnailCache::decode(written, &again, &back) || !(again == key) || back.picture.pixels != p.pixels ||
        back.failure != entry.failure)
        FuzzSupport::broken("a file read does not write back the same");
    return 0;
}
