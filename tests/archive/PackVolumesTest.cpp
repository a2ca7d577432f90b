#include <gtest/gtest.h>

#include "archive/PackVolumes.h"

namespace {

using PackVolumes::Scheme;

struct Case {
    const char* chosen;
    QStringList siblings;
    Scheme scheme;
    QStringList parts;  // in order
    int firstMissing;
    QString missingName;
};

QStringList numbered(const char* pattern, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i) names << QString::asprintf(pattern, i);
    return names;
}

// A case shows as the name it starts from, never as its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.chosen; }

class FindVolumes : public ::testing::TestWithParam<Case> {};

TEST_P(FindVolumes, FindsThePartsInOrderAndTheFirstGap)
{
    const Case& c = GetParam();
    const PackVolumes::Set set = PackVolumes::find(c.chosen, c.siblings);
    EXPECT_EQ(set.scheme, c.scheme);
    EXPECT_EQ(set.parts, c.parts);
    EXPECT_EQ(set.firstMissing, c.firstMissing);
    if (c.firstMissing) {
        EXPECT_EQ(PackVolumes::partName(set, c.firstMissing), c.missingName);
    }
}

const QStringList twelve = numbered("Pack.part%02d.rar", 1, 12);

INSTANTIATE_TEST_SUITE_P(
    Names, FindVolumes,
    ::testing::Values(
        // Any part finds the whole set, in the order of the numbers, not of the names.
        Case{"Pack.part07.rar", twelve + QStringList{"Other.part01.rar", "Pack.rar"}, Scheme::RarParts, twelve, 0, {}},
        Case{"Pack.part1.rar",
             {"Pack.part2.rar", "Pack.part10.rar"},
             Scheme::RarParts,
             {"Pack.part1.rar", "Pack.part2.rar", "Pack.part10.rar"},
             3,
             "Pack.part3.rar"},
        Case{"PACK.PART2.RAR",
             {"pack.part1.rar", "pack.part003.rar"},
             Scheme::RarParts,
             {"pack.part1.rar", "PACK.PART2.RAR", "pack.part003.rar"},
             0,
             {}},
        // Old RAR 4 naming: .rar first, then .r00, .r01...
        Case{"Pack.r01",
             {"Pack.rar", "Pack.r00", "Pack.r01", "Pack.txt"},
             Scheme::RarOldStyle,
             {"Pack.rar", "Pack.r00", "Pack.r01"},
             0,
             {}},
        Case{"Pack.r01", {"Pack.r01", "Pack.r02"}, Scheme::RarOldStyle, {"Pack.r01", "Pack.r02"}, 1, "Pack.rar"},
        Case{"Pack.rar",
             {"Pack.rar", "Pack.r00", "Pack.r02"},
             Scheme::RarOldStyle,
             {"Pack.rar", "Pack.r00", "Pack.r02"},
             3,
             "Pack.r01"},
        Case{"Pack.rar", {"Other.r00", "Pack.part2.rar"}, Scheme::Single, {"Pack.rar"}, 0, {}},
        // Pieces cut from one file, and ZIP's own spanning.
        Case{"Pack.7z.002",
             {"Pack.7z.001", "Pack.7z.003", "Pack.zip.001"},
             Scheme::Numbered,
             {"Pack.7z.001", "Pack.7z.002", "Pack.7z.003"},
             0,
             {}},
        Case{"Pack.zip.003", {"Pack.zip.001"}, Scheme::Numbered, {"Pack.zip.001", "Pack.zip.003"}, 2, "Pack.zip.002"},
        Case{"Pack.zip", {"Pack.z01", "Pack.z02"}, Scheme::ZipSpanned, {"Pack.z01", "Pack.z02", "Pack.zip"}, 0, {}},
        Case{"Pack.zip", {"Pack.zip"}, Scheme::Single, {"Pack.zip"}, 0, {}},
        Case{"Face.bin", {"Face.bin.001"}, Scheme::Single, {"Face.bin"}, 0, {}},
        Case{"Pack.part0.rar", {"Pack.part1.rar"}, Scheme::Single, {"Pack.part0.rar"}, 0, {}}));

TEST(PartName, OldNamingGoesOnFromR99ToS00)
{
    const PackVolumes::Set set = PackVolumes::find("Pack.r00", {"Pack.rar"});
    EXPECT_EQ(PackVolumes::partName(set, 101), "Pack.r99");
    EXPECT_EQ(PackVolumes::partName(set, 102), "Pack.s00");
}

}  // namespace
