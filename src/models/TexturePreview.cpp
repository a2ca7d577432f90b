#include "models/TexturePreview.h"

#include <QFile>
#include <QtEndian>
#include <cstring>
#include <future>
#include <limits>
#include <vector>

#include "models/BazaZlib.h"
#include "models/FreeImageLib.h"
#include "models/ScratchFiles.h"
#include "platform/ProgramFolder.h"

namespace {

// A field of the payload header; bytes beyond the payload read as zero.
qint32 field(const QByteArray& payload, qsizetype offset)
{
    char bytes[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        if (offset + i < payload.size()) bytes[i] = payload[offset + i];
    return qFromLittleEndian<qint32>(bytes);
}

bool inInt32(qint64 v) { return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max(); }

// a + b + c computed step by step in signed 32-bit arithmetic; false when a
// step leaves that range.
bool sum32(qint64 a, qint64 b, qint64 c, qint64& out)
{
    const qint64 ab = a + b;
    if (!inInt32(ab)) return false;
    out = ab + c;
    return inInt32(out);
}

// Writes `size` bytes of data and zeros after them up to `length` bytes. The
// zero tails of the texture files are megabytes long: they are left to the
// file system as a hole instead of being written out.
bool writeFile(const QString& path, const char* data, qint64 size, qint64 length = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    bool ok = file.write(data, size) == size;
    if (ok && length > size) ok = file.resize(length);
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

// From this many pixels of texture on, the scratch files are written beside
// its decoding.
constexpr qint64 kDecodedBesideAtLeast = 512 * 512;

// A scratch file the preview writes: `size` bytes of data, zeros up to `length`.
struct ScratchWrite {
    QString path;
    const char* data;
    qint64 size;
    qint64 length;
};

// Writes the files in order and stops at the first that cannot be written.
Result writeScratch(const std::vector<ScratchWrite>& writes)
{
    for (const ScratchWrite& w : writes)
        if (!writeFile(w.path, w.data, w.size, w.length))
            return Result::failure(QStringLiteral("cannot write ") + w.path);
    return Result::success();
}

quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }

constexpr quint32 fourCC(char a, char b, char c, char d)
{
    return quint32(quint8(a)) | quint32(quint8(b)) << 8 | quint32(quint8(c)) << 16 | quint32(quint8(d)) << 24;
}

}  // namespace

TexturePreview::TexturePreview(const QString& programFolder, BazaZlib& codec)
    : programFolder_(programFolder), codec_(codec)
{}

TexturePreview::~TexturePreview() = default;

QString TexturePreview::path(const QString& literal) const { return ProgramFolder::join(programFolder_, literal); }

void TexturePreview::Delete() noexcept
{
    for (const QString& literal : ScratchFiles::deleteList()) QFile::remove(path(literal));
}

void TexturePreview::removeAfterSuccess() noexcept
{
    for (const QString& literal : ScratchFiles::endOfPreviewList()) QFile::remove(path(literal));
}

QString TexturePreview::checkDdsHeader(const char* data, qint64 size)
{
    // Magic, 124-byte surface description with a 32-byte pixel format.
    if (size < 128) return QStringLiteral("DDS shorter than its header");
    if (u32(data) != fourCC('D', 'D', 'S', ' ')) return QStringLiteral("no DDS signature at T + 16");
    if (u32(data + 4) != 124 || u32(data + 76) != 32) return QStringLiteral("malformed DDS header");
    const quint64 height = u32(data + 12);
    const quint64 width = u32(data + 16);
    const quint32 flags = u32(data + 80);
    if (width == 0 || height == 0 || width > 65536 || height > 65536)
        return QStringLiteral("DDS size %1 x %2 not supported").arg(width).arg(height);

    // The pixel data must fit in what the buffer carries; that also bounds the
    // bitmap the decoder allocates.
    quint64 bytes = 0;
    if (flags & 0x40) {  // uncompressed RGB
        const quint32 bpp = u32(data + 88);
        if (bpp != 16 && bpp != 24 && bpp != 32) return QStringLiteral("%1-bit DDS not supported").arg(bpp);
        bytes = width * height * (bpp / 8);
    } else if (flags & 0x4) {  // block-compressed
        const quint32 code = u32(data + 84);
        quint64 blockBytes = 0;
        if (code == fourCC('D', 'X', 'T', '1'))
            blockBytes = 8;
        else if (code == fourCC('D', 'X', 'T', '3') || code == fourCC('D', 'X', 'T', '5'))
            blockBytes = 16;
        else
            return QStringLiteral("DDS compression not supported");
        bytes = ((width + 3) / 4) * ((height + 3) / 4) * blockBytes;
    } else {
        return QStringLiteral("DDS pixel format not supported");
    }
    if (bytes > quint64(size - 128)) return QStringLiteral("DDS pixel data larger than the preview buffer");
    return QString();
}

bool TexturePreview::looksLikeModelFile(const QString& file)
{
    QFile model(file);
    if (!model.open(QIODevice::ReadOnly) || model.size() > kMaxModelFileSize) return false;
    const QByteArray head = model.read(18);
    if (head.size() < 18) return false;
    const auto cmf = quint8(head[16]), flg = quint8(head[17]);
    // Deflate with a window of at most 32 KB, and the check bits of RFC 1950.
    return qFromLittleEndian<qint32>(head.constData() + 12) > 0 && (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 &&
           ((cmf << 8) | flg) % 31 == 0;
}

bool TexturePreview::fillTexBuffer(const char* dds, qint64 size)
{
    if (!texBuffer_) {
        // Fresh pages from the system are zero already: no filling here, and
        // none of the 16 MB is resident until a texture is written into it.
        texBuffer_.reset(static_cast<char*>(std::calloc(size_t(kTexBufferSize), 1)));
        if (!texBuffer_) return false;
        texDirty_ = 0;
    }
    if (size > 0) std::memcpy(texBuffer_.get(), dds, size_t(size));
    // Nothing of an earlier, longer texture may survive in the padding.
    if (texDirty_ > size) std::memset(texBuffer_.get() + size, 0, size_t(texDirty_ - size));
    texDirty_ = size;
    return true;
}

Result TexturePreview::Preview(const QString& workingLiteral, const QString& bitmapLiteral, const ShowPicture& show)
{
    // 1. No scratch file of an earlier preview may be mistaken for this one's.
    Delete();
    // 2.
    modelPath_ = path(workingLiteral);

    // 3. The working copy from offset 12 (the codec file), its last 12 bytes zero.
    QByteArray buffer;
    {
        QFile model(modelPath_);
        if (!model.open(QIODevice::ReadOnly))
            return Result::failure(QStringLiteral("working copy missing: ") + modelPath_);
        const qint64 length = model.size();
        if (length <= 0) return Result::failure(QStringLiteral("working copy empty: ") + modelPath_);
        if (length > kMaxModelFileSize) return Result::failure(QStringLiteral("working copy too large: ") + modelPath_);
        buffer = QByteArray(qsizetype(length), Qt::Uninitialized);
        qint64 got = 0;
        if (length > 12 && model.seek(12)) got = qMax<qint64>(0, model.read(buffer.data(), length - 12));
        std::memset(buffer.data() + got, 0, size_t(length - got));
    }

    // 4, 5. The payload, decompressed by the codec in memory; "\temp.bin" ends
    // up exactly as the codec's in-place file decoding leaves it, without
    // being written and read back in between. Where the codec would not
    // touch its output, the file keeps the bytes it was given.
    QByteArray payload;
    if (!codec_.Uncompress(buffer, payload)) payload = buffer;
    buffer = QByteArray();

    // Steps 5 to 9 each write a scratch file, in this order, and stop at the
    // first check that fails. The checks come first here and the files are
    // written after them, the same files in the same order: when everything
    // passes, they are written on a thread of their own while the texture
    // is decoded, which needs none of them.
    std::vector<ScratchWrite> writes;
    writes.push_back({path(QStringLiteral("\\temp.bin")), payload.constData(), payload.size(), -1});
    const Result checked = [&]() -> Result {
        // 6. Without its header a payload is not a model's; zeros read past
        // its end would otherwise pass for offsets.
        if (payload.size() < kPayloadHeaderSize)
            return Result::failure(QStringLiteral("payload too short for its header"));
        const qint64 M = field(payload, 8), A = field(payload, 12), B = field(payload, 24);
        const qint64 T = field(payload, 32), U = field(payload, 36);

        // A block of the payload from `start` to a + b + c, zeros after the
        // payload's end, written to `literal`; its data bytes in `data`.
        const auto block = [&](const char* what, qint64 start, qint64 a, qint64 b, qint64 c, const QString& literal,
                               qint64& data) -> Result {
            const QString name = QString::fromLatin1(what);
            qint64 end = 0;
            if (!sum32(a, b, c, end) || !inInt32(end - start))
                return Result::failure(name + QStringLiteral(" block size out of range"));
            const qint64 length = end - start;
            if (length < 1 || length > kMaxBlockLength)
                return Result::failure(name + QStringLiteral(" block size %1").arg(length));
            if (start < 0 || start >= payload.size())
                return Result::failure(name + QStringLiteral(" block outside the payload"));
            data = qMin<qint64>(length, payload.size() - start);
            writes.push_back({path(literal), payload.constData() + start, data, length});
            return Result::success();
        };
        // 7. The model block: the payload from M, zeros after its end.
        qint64 modelData = 0;
        if (Result r = block("model", M, A, B, 48, QStringLiteral("\\KTMDL"), modelData); !r) return r;
        // 8. The texture block with its zero tail.
        qint64 nagData = 0;  // bytes of "\Nag.dds" before its zero tail
        if (Result r = block("texture", T, U, kTextureTail, 0, QStringLiteral("\\Nag.dds"), nagData); !r) return r;

        // 9. The DDS from offset 16 of the block, cut or zero-padded to the
        // buffer. The block is known: its bytes from 16 on are the payload's
        // up to nagData, zeros after, so it is not read back from disk.
        const qint64 texData = qBound<qint64>(0, nagData - 16, qint64(kTexBufferSize));
        if (!fillTexBuffer(texData > 0 ? payload.constData() + T + 16 : nullptr, texData))
            return Result::failure(QStringLiteral("memory for the texture buffer not available"));
        writes.push_back({path(QStringLiteral("\\Tex.dds")), texBuffer_.get(), texData, kTexBufferSize});

        // The decoder trusts the header's dimensions; refuse what it cannot
        // decode or what would make it allocate beyond the buffer's worth.
        const QString why = checkDdsHeader(texBuffer_.get(), kTexBufferSize);
        if (!why.isEmpty()) return Result::failure(why);
        const FreeImageLib& fi = FreeImageLib::get();
        if (!fi.error.isEmpty()) return Result::failure(fi.error);
        return Result::success();
    }();
    if (!checked) {
        if (Result written = writeScratch(writes); !written) return written;
        return checked;
    }

    // 10. The decoder reads the buffer that "\Tex.dds" is written from: the
    // same bytes, without a trip through the file.
    // A small texture decodes in less time than a thread takes to start:
    // its files are written first, as they always were.
    const qint64 pixels = qint64(u32(texBuffer_.get() + 12)) * u32(texBuffer_.get() + 16);
    const bool beside = pixels >= kDecodedBesideAtLeast;
    std::future<Result> written =
        std::async(beside ? std::launch::async : std::launch::deferred, [&writes] { return writeScratch(writes); });
    if (!beside) written.wait();
    const FreeImageLib& fi = FreeImageLib::get();
    FreeImageBitmap dib;
    FreeImageLib::clearMessage();
    {
        FIMEMORY* memory = fi.OpenMemory(reinterpret_cast<BYTE*>(texBuffer_.get()), DWORD(kTexBufferSize));
        if (memory) {
            dib.handle = fi.LoadFromMemory(FIF_DDS, memory, 0);
            fi.CloseMemory(memory);
        }
    }
    if (Result r = written.get(); !r) return r;
    payload = QByteArray();
    if (!dib.handle) return Result::failure(QStringLiteral("texture cannot be decoded ") + FreeImageLib::lastMessage());

    // 11. A bitmap that was not written must not let an older one be shown.
    // The archive's bitmaps outlive their preview: the old file goes first,
    // since rewriting a file in place makes the file system flush it.
    const QString bitmap = path(bitmapLiteral);
    QFile::remove(bitmap);
    if (!fi.Save(FIF_BMP, dib.handle, QFile::encodeName(bitmap).constData(), 0))
        return Result::failure(QStringLiteral("cannot write ") + bitmap + QLatin1Char(' ') +
                               FreeImageLib::lastMessage());

    // 12.
    if (!show || !show(bitmap)) return Result::failure(QStringLiteral("picture cannot be loaded from ") + bitmap);

    // 13. (the handle is released on leaving)
    // 14. The bitmap stays: it is the source of the picture on screen.
    removeAfterSuccess();
    return Result::success();
}
