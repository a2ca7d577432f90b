#pragma once

#include <QString>

// The face-pack extraction component: archive path and destination folder
// in, the archive's tree under the destination out.
class UnRarExtractor {
public:
    UnRarExtractor();
    ~UnRarExtractor();
};
