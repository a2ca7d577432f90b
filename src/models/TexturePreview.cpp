#include "models/TexturePreview.h"

TexturePreview::TexturePreview(const QString& programFolder, BazaZlib& codec)
    : programFolder_(programFolder), codec_(codec) {}
TexturePreview::~TexturePreview() = default;
