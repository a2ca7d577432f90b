#pragma once

#include <FreeImage.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "platform/Result.h"

// The FreeImage calls of the program. The library brings a dozen image
// libraries of its own; linked with the program they would be loaded and
// relocated at every start, before the window paints, so it is loaded when
// the first picture needs it and kept from then on. Safe to use from several
// threads at once, each with bitmaps of its own.
struct FreeImageLib {
    decltype(&FreeImage_OpenMemory) OpenMemory = nullptr;
    decltype(&FreeImage_CloseMemory) CloseMemory = nullptr;
    decltype(&FreeImage_AcquireMemory) AcquireMemory = nullptr;
    decltype(&FreeImage_SeekMemory) SeekMemory = nullptr;
    decltype(&FreeImage_GetFileTypeFromMemory) GetFileTypeFromMemory = nullptr;
    decltype(&FreeImage_LoadFromMemory) LoadFromMemory = nullptr;
    decltype(&FreeImage_SaveToMemory) SaveToMemory = nullptr;
    decltype(&FreeImage_Save) Save = nullptr;
    decltype(&FreeImage_Unload) Unload = nullptr;
    decltype(&FreeImage_GetImageType) GetImageType = nullptr;
    decltype(&FreeImage_GetWidth) GetWidth = nullptr;
    decltype(&FreeImage_GetHeight) GetHeight = nullptr;
    decltype(&FreeImage_GetBPP) GetBPP = nullptr;
    decltype(&FreeImage_GetPitch) GetPitch = nullptr;
    decltype(&FreeImage_GetBits) GetBits = nullptr;
    decltype(&FreeImage_IsTransparent) IsTransparent = nullptr;
    decltype(&FreeImage_ConvertTo32Bits) ConvertTo32Bits = nullptr;
    decltype(&FreeImage_Allocate) Allocate = nullptr;
    QString error;  // why the library could not be loaded; empty when it was

    // Loaded on the first call; `error` says when that failed.
    static const FreeImageLib& get();
    // The library's last complaint on this thread, for failure messages;
    // cleared by clearMessage().
    static QString lastMessage();
    static void clearMessage();
};

// Releases a bitmap on every way out.
struct FreeImageBitmap {
    FIBITMAP* handle = nullptr;
    FreeImageBitmap() = default;
    explicit FreeImageBitmap(FIBITMAP* h) : handle(h) {}
    FreeImageBitmap(const FreeImageBitmap&) = delete;
    FreeImageBitmap& operator=(const FreeImageBitmap&) = delete;
    ~FreeImageBitmap() { reset(); }
    void reset(FIBITMAP* h = nullptr)
    {
        if (handle) FreeImageLib::get().Unload(handle);
        handle = h;
    }
};

// A picture in memory: 8-bit RGBA, rows from the top, no padding.
struct RgbaImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;  // width * height * 4 bytes
    bool isNull() const { return width <= 0 || height <= 0; }
    const uchar* row(int y) const
    {
        return reinterpret_cast<const uchar*>(pixels.constData()) + qsizetype(y) * width * 4;
    }
    uchar* row(int y) { return reinterpret_cast<uchar*>(pixels.data()) + qsizetype(y) * width * 4; }
    // True when a pixel is less than opaque.
    bool hasAlpha() const;
};

namespace Pictures {

// The largest picture read: well above any texture a model holds, far below
// what would exhaust memory.
constexpr qint64 kMaxPixels = 8192LL * 8192LL;

// Decodes a picture file held in memory (PNG, BMP, TGA, DDS and whatever
// else FreeImage reads) into RGBA. A picture over `maxPixels` is refused
// from its header, before its pixels are decoded. `name` names it in the
// failure message.
Result decode(QByteArrayView bytes, const QString& name, RgbaImage* out, qint64 maxPixels = kMaxPixels);

// The width and height a PNG, BMP, TGA or DDS file's header states, read
// from its bytes; false for other files, whose size is not told this way.
bool statedSize(QByteArrayView bytes, qint64* width, qint64* height);

// The format of a picture file held in memory as FreeImage tells it;
// FIF_UNKNOWN when it is not a picture (or FreeImage cannot be loaded).
FREE_IMAGE_FORMAT typeOf(QByteArrayView bytes);

// A PNG file of the picture, alpha kept.
Result encodePng(const RgbaImage& image, QByteArray* out);

}  // namespace Pictures
