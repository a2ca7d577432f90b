#include "archive/UnRarExtractor.h"

UnRarExtractor::UnRarExtractor() = default;
UnRarExtractor::~UnRarExtractor() = default;
