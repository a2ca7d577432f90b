#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "archive/UnRarExtractor.h"
#include "support/RarWriter.h"

// A test run once for each RAR layout: a private folder, packs written into
// it in the layout under test, and an extractor. Instantiate with
// INSTANTIATE_TEST_SUITE_P(Layouts, Suite, RarPackTest::layouts(), RarPackTest::layoutName).
class RarPackTest : public ::testing::TestWithParam<RarWriter::Version> {
public:
    static auto layouts() { return ::testing::Values(RarWriter::Version::Rar4, RarWriter::Version::Rar5); }
    static std::string layoutName(const ::testing::TestParamInfo<RarWriter::Version>& info)
    {
        return RarWriter::name(info.param);
    }

protected:
    // Writes the pack into the private folder and returns its path.
    QString pack(const QString& name, const std::vector<RarWriter::Entry>& entries)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(RarWriter::write(path, GetParam(), entries));
        return path;
    }

    QTemporaryDir dir;
    UnRarExtractor unrar;
};
