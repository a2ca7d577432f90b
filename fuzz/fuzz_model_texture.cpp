// A model file read in memory down to its texture's picture: codec, header
// offsets, the DDS header and every level it states, then the decoder. No
// input may crash it, hang it or make it allocate beyond its caps.
#include "FuzzSupport.h"
#include "models/ModelTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ModelTexture::Model model;
    if (!ModelTexture::fromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &model)) return 0;
    if (model.ddsOffset + model.dds.length > model.payload.size()) FuzzSupport::broken("texture beyond the payload");
    RgbaImage picture;
    if (ModelTexture::decode(model, &picture) && picture.pixels.size() != qsizetype(picture.width) * picture.height * 4)
        FuzzSupport::broken("picture of the wrong size");
    return 0;
}
