// The DDS check that stands before the decoder: what it lets through must
// decode within the buffer that carries the texture, as the preview hands it
// over (the DDS at the start of a zero-padded 16 MiB buffer).
#include <FreeImage.h>

#include <QByteArray>
#include <cstring>

#include "FuzzSupport.h"
#include "models/TexturePreview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QByteArray buffer(TexturePreview::kTexBufferSize, '\0');
    static size_t dirty = 0;
    static const bool started = (FreeImage_Initialise(FALSE), true);
    (void)started;
    const size_t n = std::min<size_t>(size, size_t(buffer.size()));
    std::memset(buffer.data(), 0, dirty);
    std::memcpy(buffer.data(), data, n);
    dirty = n;

    if (!TexturePreview::checkDdsHeader(buffer.constData(), buffer.size()).isEmpty()) return 0;
    FIMEMORY* memory = FreeImage_OpenMemory(reinterpret_cast<BYTE*>(buffer.data()), DWORD(buffer.size()));
    if (FIBITMAP* dib = FreeImage_LoadFromMemory(FIF_DDS, memory, 0)) FreeImage_Unload(dib);
    FreeImage_CloseMemory(memory);
    return 0;
}
