// A model file through the whole preview: codec, header offsets, texture
// block, DDS check, decoder and bitmap. No input may crash it, hang it or
// make it allocate beyond its caps.
#include <QFileInfo>

#include "FuzzSupport.h"
#include "models/BazaZlib.h"
#include "models/TexturePreview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static BazaZlib codec;
    static TexturePreview preview(FuzzSupport::scratch().path(), codec);
    FuzzSupport::writeInput(QStringLiteral("Face"), data, size);
    const Result shown = preview.Preview(QStringLiteral("\\Face"), QStringLiteral("\\Face.bmp"),
                                         [](const QString& bitmap) { return QFileInfo(bitmap).size() > 0; });
    // A preview that succeeds leaves nothing of its scratch but the bitmap.
    if (shown && QFileInfo::exists(FuzzSupport::scratch().filePath(QStringLiteral("Tex.dds"))))
        FuzzSupport::broken("scratch left after a preview");
    return 0;
}
