#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/Result.h"

class BazaZlib;

// The texture preview: model file -> payload -> DDS -> bitmap, through
// scratch files in the program folder. Holds no widget: the window puts the
// finished bitmap on screen through the callback it passes in.
//
// Model file: 12 bytes not read, then a codec file (4-byte size + zlib
// stream) of the payload. Payload header, little-endian signed 32-bit:
// M at 8 (model block start), A at 12 and B at 24 (the model block ends at
// A + B + 48), T at 32 (texture block start; its DDS begins at T + 16) and
// U at 36 (sizes the texture block copy).
class TexturePreview {
public:
    // Size of the buffer that carries the DDS to FreeImage, and so of "\Tex.dds".
    static constexpr qint32 kTexBufferSize = 16777345;
    // Distance added to U - T when sizing the texture block.
    static constexpr qint32 kTextureTail = 16777344;
    // Blocks cut out of a payload are never larger than this: header values
    // beyond it are damage and must not drive an allocation.
    static constexpr qint64 kMaxBlockLength = 64 * 1024 * 1024;
    // The payload header ends with U at offset 36.
    static constexpr qint32 kPayloadHeaderSize = 40;
    // A working copy larger than this is not a model file and is not read.
    static constexpr qint64 kMaxModelFileSize = 64 * 1024 * 1024;

    // Puts the bitmap file on screen; false when it could not be loaded.
    using ShowPicture = std::function<bool(const QString& bitmapPath)>;

    TexturePreview(const QString& programFolder, BazaZlib& codec);
    ~TexturePreview();
    TexturePreview(const TexturePreview&) = delete;
    TexturePreview& operator=(const TexturePreview&) = delete;

    // Previews the working copy (a literal such as "\Face") into the bitmap
    // file (such as "\Face.bmp") and hands that to `show`. Fails, saying
    // which step failed, when any did; the scratch files written so far then
    // stay until the next preview or the window's unload.
    Result Preview(const QString& workingLiteral, const QString& bitmapLiteral, const ShowPicture& show);

    // Removes the scratch files of any earlier preview, both "\Face.bmp" and
    // "\Hair.bmp" among them. Never fails.
    void Delete() noexcept;

    // Program folder + the working copy previewed last; empty until then.
    const QString& ModelPath() const { return modelPath_; }
    // The DDS of the last preview as handed to FreeImage, zero-padded;
    // empty until the first preview needs the buffer.
    QByteArrayView TexBuffer() const
    {
        return texBuffer_ ? QByteArrayView(texBuffer_.get(), kTexBufferSize) : QByteArrayView();
    }

    // True when the file starts as a model file does: 12 bytes, a stored
    // size above 0, then the header of a zlib stream. A cheap look that tells
    // a model from a picture or a pack dropped by mistake; it does not
    // promise that the preview will succeed.
    static bool looksLikeModelFile(const QString& file);

    // Why a DDS header cannot be handed to the decoder (an unsupported
    // format, or a size the buffer could not hold); empty when it can.
    static QString checkDdsHeader(const char* data, qint64 size);

private:
    struct FreeBytes {
        void operator()(char* p) const { std::free(p); }
    };

    QString path(const QString& literal) const;
    void removeAfterSuccess() noexcept;
    // Puts the DDS into the buffer, allocated on first use, with zeros after
    // it up to the buffer's end; false when memory for it is not available.
    bool fillTexBuffer(const char* dds, qint64 size);

    QString programFolder_;
    BazaZlib& codec_;
    QString modelPath_;
    // Allocated zero-filled by the system on first use; only the pages a
    // texture touches ever become resident.
    std::unique_ptr<char, FreeBytes> texBuffer_;
    // Bytes at the start of the buffer that may be non-zero: all that the
    // next texture has to clear behind itself.
    qint64 texDirty_ = 0;
};
