#include "models/FreeImageLib.h"

#include <QLibrary>
#include <QScopeGuard>
#include <QtEndian>
#include <cstring>

namespace {

thread_local QString t_freeImageMessage;  // the library's last complaint on this thread

void DLL_CALLCONV onFreeImageMessage(FREE_IMAGE_FORMAT, const char* message)
{
    t_freeImageMessage = QString::fromLocal8Bit(message ? message : "");
}

template <typename F>
bool resolveCall(QLibrary& library, const char* name, F& function)
{
    function = reinterpret_cast<F>(library.resolve(name));
    return function != nullptr;
}

// Width and height as the file's own header states them, for the formats
// whose readers would decode everything before saying how large it is;
// false when the header is not one of them.
bool pictureHeaderSize(QByteArrayView b, qint64& width, qint64& height)
{
    const auto u32be = [&](qsizetype at) { return qFromBigEndian<quint32>(b.data() + at); };
    const auto u32le = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.data() + at); };
    if (b.size() >= 24 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
        width = u32be(16);
        height = u32be(20);
        return true;
    }
    // Even a DDS file cut short inside its header: its reader would take
    // the size it states all the same.
    if (b.size() >= 20 && std::memcmp(b.data(), "DDS ", 4) == 0) {
        height = u32le(12);
        width = u32le(16);
        return true;
    }
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        width = qint32(u32le(18));
        height = qint32(u32le(22));
        if (height < 0) height = -height;
        return true;
    }
    return false;
}

}  // namespace

const FreeImageLib& FreeImageLib::get()
{
    static const FreeImageLib api = [] {
        FreeImageLib a;
#ifdef Q_OS_WIN
        QLibrary library(QStringLiteral("FreeImage"));
#else
        QLibrary library(QStringLiteral("freeimage"), 3);
#endif
        decltype(&FreeImage_Initialise) initialise = nullptr;
        decltype(&FreeImage_SetOutputMessage) setOutputMessage = nullptr;
        if (!library.load() || !resolveCall(library, "FreeImage_Initialise", initialise) ||
            !resolveCall(library, "FreeImage_SetOutputMessage", setOutputMessage) ||
            !resolveCall(library, "FreeImage_OpenMemory", a.OpenMemory) ||
            !resolveCall(library, "FreeImage_CloseMemory", a.CloseMemory) ||
            !resolveCall(library, "FreeImage_AcquireMemory", a.AcquireMemory) ||
            !resolveCall(library, "FreeImage_SeekMemory", a.SeekMemory) ||
            !resolveCall(library, "FreeImage_GetFileTypeFromMemory", a.GetFileTypeFromMemory) ||
            !resolveCall(library, "FreeImage_LoadFromMemory", a.LoadFromMemory) ||
            !resolveCall(library, "FreeImage_SaveToMemory", a.SaveToMemory) ||
            !resolveCall(library, "FreeImage_Save", a.Save) || !resolveCall(library, "FreeImage_Unload", a.Unload) ||
            !resolveCall(library, "FreeImage_GetImageType", a.GetImageType) ||
            !resolveCall(library, "FreeImage_GetWidth", a.GetWidth) ||
            !resolveCall(library, "FreeImage_GetHeight", a.GetHeight) ||
            !resolveCall(library, "FreeImage_GetBPP", a.GetBPP) ||
            !resolveCall(library, "FreeImage_GetPitch", a.GetPitch) ||
            !resolveCall(library, "FreeImage_GetBits", a.GetBits) ||
            !resolveCall(library, "FreeImage_IsTransparent", a.IsTransparent) ||
            !resolveCall(library, "FreeImage_ConvertTo32Bits", a.ConvertTo32Bits) ||
            !resolveCall(library, "FreeImage_Allocate", a.Allocate)) {
            a = FreeImageLib();
            a.error = QStringLiteral("FreeImage cannot be loaded: ") + library.errorString();
            return a;
        }
        initialise(FALSE);
        setOutputMessage(onFreeImageMessage);
        return a;
    }();
    return api;
}

QString FreeImageLib::lastMessage() { return t_freeImageMessage; }

void FreeImageLib::clearMessage() { t_freeImageMessage.clear(); }

bool RgbaImage::hasAlpha() const
{
    const auto* p = reinterpret_cast<const uchar*>(pixels.constData());
    for (qsizetype i = 3; i < pixels.size(); i += 4)
        if (p[i] != 255) return true;
    return false;
}

namespace Pictures {

Result decode(QByteArrayView bytes, const QString& name, RgbaImage* out, qint64 maxPixels)
{
    *out = RgbaImage();
    const FreeImageLib& fi = FreeImageLib::get();
    if (!fi.error.isEmpty()) return Result::failure(fi.error);
    const auto tooLarge = [&](qint64 w, qint64 h) {
        return Result::failure(QStringLiteral("%1 is %2 x %3 pixels, larger than the %4 pixels a picture may have")
                                   .arg(name)
                                   .arg(w)
                                   .arg(h)
                                   .arg(maxPixels));
    };
    qint64 w = 0, h = 0;
    if (pictureHeaderSize(bytes, w, h) && (w <= 0 || h <= 0 || w * h > maxPixels)) return tooLarge(w, h);

    FIMEMORY* memory = fi.OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), DWORD(bytes.size()));
    if (!memory) return Result::failure(QStringLiteral("memory for %1 not available").arg(name));
    const auto closeMemory = qScopeGuard([&] { fi.CloseMemory(memory); });

    FreeImageLib::clearMessage();
    const FREE_IMAGE_FORMAT format = fi.GetFileTypeFromMemory(memory, 0);
    if (format == FIF_UNKNOWN) return Result::failure(name + QStringLiteral(" is not a picture"));
    // A TGA file has no magic to find it by beforehand, and its reader
    // allocates every pixel its header states.
    if (format == FIF_TARGA && bytes.size() >= 18) {
        w = qFromLittleEndian<quint16>(bytes.data() + 12);
        h = qFromLittleEndian<quint16>(bytes.data() + 14);
        if (w <= 0 || h <= 0 || w * h > maxPixels) return tooLarge(w, h);
    }
    {
        // The header alone first, where the format's reader can: the size is
        // known before any pixel is allocated.
        fi.SeekMemory(memory, 0, SEEK_SET);
        FreeImageBitmap header(fi.LoadFromMemory(format, memory, FIF_LOAD_NOPIXELS));
        if (header.handle) {
            w = fi.GetWidth(header.handle);
            h = fi.GetHeight(header.handle);
            if (w <= 0 || h <= 0 || w * h > maxPixels) return tooLarge(w, h);
        }
    }
    fi.SeekMemory(memory, 0, SEEK_SET);
    FreeImageBitmap dib(fi.LoadFromMemory(format, memory, 0));
    if (!dib.handle) {
        const QString why = FreeImageLib::lastMessage();
        return Result::failure(name + QStringLiteral(" cannot be read as a picture") +
                               (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    }
    w = fi.GetWidth(dib.handle);
    h = fi.GetHeight(dib.handle);
    if (w <= 0 || h <= 0 || w * h > maxPixels) return tooLarge(w, h);
    if (fi.GetImageType(dib.handle) != FIT_BITMAP)
        return Result::failure(name + QStringLiteral(" has a pixel type that is not supported"));
    FreeImageBitmap rgba(fi.GetBPP(dib.handle) == 32 ? nullptr : fi.ConvertTo32Bits(dib.handle));
    FIBITMAP* src = rgba.handle ? rgba.handle : dib.handle;
    if (fi.GetBPP(src) != 32) return Result::failure(name + QStringLiteral(" cannot be converted to RGBA"));

    out->width = int(w);
    out->height = int(h);
    out->pixels = QByteArray(qsizetype(w * h * 4), Qt::Uninitialized);
    const unsigned pitch = fi.GetPitch(src);
    const BYTE* bits = fi.GetBits(src);
    for (int y = 0; y < out->height; ++y) {
        // FreeImage keeps its rows from the bottom up, in BGRA order here.
        const BYTE* s = bits + qsizetype(out->height - 1 - y) * pitch;
        uchar* d = out->row(y);
        for (int x = 0; x < out->width; ++x, s += 4, d += 4) {
            d[0] = s[FI_RGBA_RED];
            d[1] = s[FI_RGBA_GREEN];
            d[2] = s[FI_RGBA_BLUE];
            d[3] = s[FI_RGBA_ALPHA];
        }
    }
    return Result::success();
}

bool statedSize(QByteArrayView bytes, qint64* width, qint64* height)
{
    if (pictureHeaderSize(bytes, *width, *height)) return true;
    const FreeImageLib& fi = FreeImageLib::get();
    if (!fi.error.isEmpty() || bytes.isEmpty()) return false;
    FIMEMORY* memory = fi.OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), DWORD(bytes.size()));
    if (!memory) return false;
    const auto closeMemory = qScopeGuard([&] { fi.CloseMemory(memory); });
    const FREE_IMAGE_FORMAT format = fi.GetFileTypeFromMemory(memory, 0);
    if (format == FIF_TARGA && bytes.size() >= 18) {
        *width = qFromLittleEndian<quint16>(bytes.data() + 12);
        *height = qFromLittleEndian<quint16>(bytes.data() + 14);
        return true;
    }
    // Other readers may ignore a request for the header alone and decode
    // everything: they are not asked.
    return false;
}

FREE_IMAGE_FORMAT typeOf(QByteArrayView bytes)
{
    const FreeImageLib& fi = FreeImageLib::get();
    if (!fi.error.isEmpty() || bytes.isEmpty()) return FIF_UNKNOWN;
    FIMEMORY* memory = fi.OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), DWORD(bytes.size()));
    if (!memory) return FIF_UNKNOWN;
    const FREE_IMAGE_FORMAT format = fi.GetFileTypeFromMemory(memory, 0);
    fi.CloseMemory(memory);
    return format;
}

Result encodePng(const RgbaImage& image, QByteArray* out)
{
    out->clear();
    const FreeImageLib& fi = FreeImageLib::get();
    if (!fi.error.isEmpty()) return Result::failure(fi.error);
    if (image.isNull() || image.pixels.size() != qsizetype(image.width) * image.height * 4)
        return Result::failure(QStringLiteral("no picture to write"));
    FreeImageBitmap dib(
        fi.Allocate(image.width, image.height, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
    if (!dib.handle) return Result::failure(QStringLiteral("memory for the picture not available"));
    const unsigned pitch = fi.GetPitch(dib.handle);
    BYTE* bits = fi.GetBits(dib.handle);
    for (int y = 0; y < image.height; ++y) {
        BYTE* d = bits + qsizetype(image.height - 1 - y) * pitch;
        const uchar* s = image.row(y);
        for (int x = 0; x < image.width; ++x, s += 4, d += 4) {
            d[FI_RGBA_RED] = s[0];
            d[FI_RGBA_GREEN] = s[1];
            d[FI_RGBA_BLUE] = s[2];
            d[FI_RGBA_ALPHA] = s[3];
        }
    }
    FIMEMORY* memory = fi.OpenMemory(nullptr, 0);
    if (!memory) return Result::failure(QStringLiteral("memory for the picture not available"));
    Result r = Result::success();
    if (!fi.SaveToMemory(FIF_PNG, dib.handle, memory, PNG_DEFAULT)) {
        r = Result::failure(QStringLiteral("the picture cannot be written as PNG ") + FreeImageLib::lastMessage());
    } else {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (fi.AcquireMemory(memory, &data, &size) && data)
            *out = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
        else
            r = Result::failure(QStringLiteral("the picture cannot be written as PNG"));
    }
    fi.CloseMemory(memory);
    return r;
}

}  // namespace Pictures
