#pragma once

#include <QStringList>

// The fixed scratch files of the texture preview in the program folder.
namespace ScratchFiles {

// Removed by Delete and by the window's unload, in this order.
inline const QStringList& deleteList()
{
    static const QStringList list = {"\\temp.bin", "\\tempa.bin", "\\KTMDL",     "\\KTMDL2",        "\\Nag",
                                     "\\Nag.dds",  "\\Tex.dds",   "\\Face.bmp",  "\\Hair.bmp",      "\\New.dds",
                                     "\\WE00",     "\\DDSOffset", "\\NewHD.bin", "\\NewHD.Bin.zlib"};
    return list;
}

// Removed at the end of a successful preview, in this order; the bitmap stays.
inline const QStringList& endOfPreviewList()
{
    static const QStringList list = {"\\temp.bin",  "\\tempa.bin", "\\KTMDL",         "\\KTMDL2",  "\\Nag",
                                     "\\Nag.dds",   "\\Tex.dds",   "\\Textura.png",   "\\New.dds", "\\WE00",
                                     "\\DDSOffset", "\\NewHD.bin", "\\NewHD.Bin.zlib"};
    return list;
}

}  // namespace ScratchFiles
