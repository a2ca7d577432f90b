#include <gtest/gtest.h>

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <sys/stat.h>

#include "models/ModelFileBuilder.h"
#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/FolderSnapshot.h"
#include "support/RarWriter.h"
#include "support/WindowEnv.h"

namespace {

QStringList shown(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

class ArchiveWindow : public ::testing::Test {
protected:
    void importPack(const QString& name, const std::vector<RarWriter::Entry>& entries)
    {
        if (!entries.empty()) {
            ASSERT_TRUE(RarWriter::write(env.path(name), RarWriter::Version::Rar5, entries));
        }
        env.ui.files.push_back(env.path(name));
        w->cmd_FacePack->click();
    }

    WindowEnv env;
    std::unique_ptr<frmMain> w = env.openWindow();
    const QString archive = env.programFolder() + "/Archive";
};

TEST_F(ArchiveWindow, ImportFillsTheArchiveBothListsFollowRarAndClearingEmptiesIt)
{
    w->cmd_FacePack->click();  // cancelled
    importPack("missing.rar", {});
    // Whole packs and any part of a split one, among the kinds the chooser lists.
    EXPECT_EQ(env.ui.shown.at(0).title, "Face Pack.rar");
    for (const char* kind : {"*.rar", "*.r??", "*.zip", "*.7z", "*.0??"})
        EXPECT_TRUE(env.ui.shown.at(0).text.contains(kind)) << kind;
    EXPECT_TRUE(w->Un->text().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(archive));

    // Face files end in ".bin", hair files in "bin"; a folder is no file.
    importPack("Season.rar", {{"top_face.bin", "t"},
                              {"Team A/face.bin", "f"},
                              {"Team A/FACE.BIN", "F"},
                              {"Team A/hairbin", "h"},
                              {"Team A/notes.txt", "n"},
                              {"Team A/folder.bin/x.bin", "x"}});
    EXPECT_EQ(w->Un->text(), env.path("Season.rar"));
    EXPECT_EQ(shown(w->ARCH[0]), QStringList{"top_face.bin"});
    ASSERT_TRUE(w->Rar->setPath(archive + "/Team A"));
    EXPECT_EQ(shown(w->ARCH[0]), (QStringList{"FACE.BIN", "face.bin"}));
    EXPECT_EQ(shown(w->ARCH[1]), (QStringList{"FACE.BIN", "face.bin", "hairbin"}));
    // The next import shows up without moving Rar or losing the choice (made in any letter case).
    ASSERT_TRUE(w->ARCH[1]->selectFile("HAIRBIN"));
    importPack("More.rar", {{"Team A/new_hair.bin", "x"}});
    EXPECT_EQ(QDir::cleanPath(w->Rar->Path()), archive + "/Team A");
    EXPECT_TRUE(shown(w->ARCH[1]).contains("new_hair.bin"));
    EXPECT_EQ(w->ARCH[1]->FileName(), "hairbin");

    // A file that is no pack, and a cancel in the progress dialog: the archive stays as it was.
    const FolderSnapshot before = snapshotFolder(archive);
    TestEnv::writeFile(env.path("readme.rar"), "just text");
    importPack("readme.rar", {});
    env.ui.cancelProgressAfter = env.ui.progressSteps + 2;
    importPack("big.rar", {{"Team A/face.bin", "new"}, {"Team A/b.bin", QByteArray(3 << 20, 'b')}});
    EXPECT_EQ(snapshotFolder(archive), before);
    ASSERT_EQ(env.ui.messages().size(), 1);  // the cancel says nothing
    EXPECT_TRUE(env.ui.messages()[0].contains("readme.rar"));
    EXPECT_TRUE(w->cmd_FacePack->isEnabled());

    // Clearing empties the archive, and the lists go back to their tops.
    w->Lokalizacja2->setText(env.faceFolder());
    const QString team = env.faceFolder() + "/Some Team";
    QDir().mkpath(team);
    ASSERT_TRUE(w->Dir->setPath(team) && w->Dir2->setPath(team));
    w->cmd_Clear_Archive->click();
    EXPECT_TRUE(QFileInfo(archive).isDir() && QFileInfo(team).isDir());
    EXPECT_TRUE(snapshotFolder(archive).empty());
    for (FolderList* list : {w->Dir, w->Dir2}) EXPECT_EQ(list->Path(), env.faceFolder());
    EXPECT_EQ(QDir::cleanPath(w->Rar->Path()), archive);
    EXPECT_EQ(w->ARCH[0]->count() + w->ARCH[1]->count(), 0);
}

TEST_F(ArchiveWindow, NestedAndNonFilePacks)
{
    // A pack of packs: asked, and unpacked into a folder named after the pack inside.
    env.ui.answers.push_back(true);
    importPack("Outer.rar",
               {{"Inner.rar", RarWriter::build(RarWriter::Version::Rar5, {{"x.bin", "x"}})}, {"readme.txt", "r"}});
    EXPECT_TRUE(env.ui.shown.back().kind == "confirm" && env.ui.shown.back().text.contains("Inner.rar"));
    EXPECT_TRUE(QFileInfo(archive + "/Inner/x.bin").isFile() && !QFileInfo::exists(archive + "/Inner.rar"));

    // A pipe chosen through "All Files" is named as such at once, not waited on.
    ASSERT_EQ(::mkfifo(QFile::encodeName(env.path("pipe.rar")).constData(), 0600), 0);
    importPack("pipe.rar", {});
    ASSERT_EQ(env.ui.messages().size(), 1);
    EXPECT_TRUE(env.ui.messages()[0].contains("named pipe"));
}

TEST_F(ArchiveWindow, EntryImportTakesWhatTheChoiceSaysAndNothingWithoutASelection)
{
    const ModelFileBuilder model = ModelFileBuilder().dds(DdsWriter::dxt1(8, 8, DdsWriter::checkerBlock).bytes);
    const QByteArray face = model.bytes(), hair = ModelFileBuilder(model).leading("another one").bytes();
    importPack(
        "p.rar",
        {{"Team/face.bin", face}, {"Team/hair.bin", "h"}, {"Team/hair2.bin", hair}, {"Team/junk_face.bin", "junk"}});
    ASSERT_TRUE(w->Rar->setPath(archive + "/Team"));
    TestEnv::writeFile(w->prog("\\Face"), "old face");
    TestEnv::writeFile(w->prog("\\Hair"), "old hair");
    const auto import = [this](int op, const QString& faceEntry, const QString& hairEntry) {
        w->Op[op]->setChecked(true);
        EXPECT_TRUE(w->ARCH[0]->selectFile(faceEntry) || faceEntry.isEmpty());
        EXPECT_TRUE(w->ARCH[1]->selectFile(hairEntry) || hairEntry.isEmpty());
        w->cmd_Import->click();
    };
    w->ARCH[1]->setCurrentRow(-1);
    import(3, "face.bin", "");  // no hair selected
    ASSERT_TRUE(w->ARCH[1]->selectFile("hair.bin") && QFile::remove(archive + "/Team/hair.bin"));
    w->cmd_Import->click();  // the hair entry is gone: the face is not taken either
    EXPECT_EQ(env.ui.messages().size(), 2);
    EXPECT_EQ(TestEnv::readFile(w->prog("\\Face")), "old face");
    EXPECT_FALSE(w->FaceImg2->hasPicture() || w->GroupBox14->isEnabled() || w->List1->isEnabled());

    import(4, "face.bin", "");  // only face: the hair file and its picture keep their content
    EXPECT_EQ(TestEnv::readFile(w->prog("\\Face")), face);
    EXPECT_EQ(TestEnv::readFile(w->prog("\\Hair")), "old hair");
    EXPECT_TRUE(w->FaceImg2->hasPicture() && !w->HairImg2->hasPicture());
    EXPECT_TRUE(w->GroupBox14->isEnabled() && w->List1->isEnabled());
    import(5, "", "face.bin");  // "*bin" lists it for the hair too
    EXPECT_EQ(TestEnv::readFile(w->prog("\\Hair")), face);
    EXPECT_TRUE(w->HairImg2->hasPicture());
    // Both: a failed face preview keeps the copy and shows the placeholder; the export is offered.
    import(3, "junk_face.bin", "hair2.bin");
    EXPECT_EQ(TestEnv::readFile(w->prog("\\Face")), "junk");
    EXPECT_EQ(TestEnv::readFile(w->prog("\\Hair")), hair);
    EXPECT_TRUE(!w->FaceImg2->hasPicture() && !w->FaceImg2->text().isEmpty());
    EXPECT_TRUE(w->HairImg2->hasPicture() && w->GroupBox14->isEnabled());
    EXPECT_EQ(env.ui.messages().size(), 2);
}

}  // namespace
