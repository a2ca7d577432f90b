#pragma once

#include <QString>

class BazaZlib;

// The texture preview: model file -> payload -> DDS -> bitmap, through
// scratch files in the program folder.
class TexturePreview {
public:
    TexturePreview(const QString& programFolder, BazaZlib& codec);
    ~TexturePreview();

private:
    QString programFolder_;
    BazaZlib& codec_;
};
