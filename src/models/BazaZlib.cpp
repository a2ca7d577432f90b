#include "models/BazaZlib.h"

void BazaZlib::CompressFile(const QString&, const QString&) {}
void BazaZlib::UncompressFile(const QString&, const QString&) noexcept {}
