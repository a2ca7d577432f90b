// An edited picture put into a model's texture: whatever bytes a face maker
// hands over as the picture (PNG, BMP, TGA, DDS or anything else), against
// models of each kind of texture. No input may crash, hang or allocate
// beyond the texture's size; a replacement that is made keeps every byte
// of the payload outside the texture and reads back as a model.
#include "FuzzSupport.h"
#include "models/DdsWriter.h"
#include "models/ModelFileBuilder.h"
#include "models/ModelTexture.h"
#include "models/TextureEdit.h"

namespace {

std::vector<ModelTexture::Model> models()
{
    const auto colour = [](int bx, int by) { return DdsWriter::pack565(bx * 7 % 32, by * 13 % 64, (bx + by) % 32); };
    const QByteArray textures[] = {DdsWriter::dxt1File(16, 16, colour), DdsWriter::dxt5File(16, 8, colour, 128),
                                   DdsWriter::header(8, 8, nullptr, 32) + QByteArray(8 * 8 * 4, '\x7f')};
    std::vector<ModelTexture::Model> out;
    for (const QByteArray& t : textures) {
        ModelTexture::Model m;
        if (!ModelTexture::fromBytes(ModelFileBuilder().dds(t).trailing(QByteArray(12, '\0')).bytes(), &m))
            FuzzSupport::broken("a fixture model does not read");
        out.push_back(m);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<ModelTexture::Model> fixtures = models();
    const QByteArray picture(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const ModelTexture::Model& model : fixtures) {
        TextureEdit::Replacement r;
        if (!TextureEdit::replaceInMemory(model, picture, QStringLiteral("picture"), &r)) continue;
        ModelTexture::Model back;
        if (!ModelTexture::fromBytes(r.file, &back)) FuzzSupport::broken("the new model does not read");
        const qsizetype start = model.ddsOffset, end = start + model.dds.length;
        if (back.payload.size() != model.payload.size() || back.payload.first(start) != model.payload.first(start) ||
            back.payload.sliced(end) != model.payload.sliced(end) || back.ddsBytes() != QByteArrayView(r.dds))
            FuzzSupport::broken("the payload outside the texture changed");
        if (r.after.width != int(model.dds.width) || r.after.height != int(model.dds.height))
            FuzzSupport::broken("the new texture has another size");
    }
    return 0;
}
