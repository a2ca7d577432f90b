#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "models/ModelFileBuilder.h"
#include "platform/ImageBox.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/WindowEnv.h"

namespace {

// Choosing face and hair files on the real window, dialogs answered in advance.
class ChooseModelTest : public ::testing::Test {
protected:
    QString prog(const QString& name) const { return QDir(env.programFolder()).filePath(name); }
    void choose(QPushButton* button, const QString& path) { env.ui.files.push_back(path), button->click(); }
    static void expectStatus(QLabel* label, bool loaded)
    {
        EXPECT_EQ(label->text(), loaded ? "Status : Loaded" : "Status : Not Loaded");
        label->ensurePolished();
        EXPECT_EQ(label->palette().color(label->foregroundRole()), QColor(loaded ? 0 : 255, loaded ? 255 : 0, 0));
    }

    WindowEnv env;
    std::unique_ptr<frmMain> w = env.openWindow();
    const DdsWriter::Dds face = DdsWriter::dxt5(32, 32, DdsWriter::checkerBlock);
    const DdsWriter::Dds hair = DdsWriter::dxt1(16, 32, DdsWriter::checkerBlock);
    const QString faceFile = ModelFileBuilder().dds(face.bytes).write(env.path("picked/Face.bin"));
    const QString hairFile = ModelFileBuilder().dds(hair.bytes).write(env.path("picked/Hair.bin"));
};

TEST_F(ChooseModelTest, ChosenFilesAreCopiedMarkedLoadedAndPreviewed)
{
    choose(w->cmd_Hair, hairFile);
    choose(w->cmd_Face, faceFile);
    EXPECT_EQ(env.ui.shown.at(0).title, "Hair.bin");
    EXPECT_TRUE(env.ui.shown.at(0).text.startsWith("Hair.bin (*.bin)"));
    EXPECT_EQ(env.ui.shown.at(1).title, "Face.bin");
    EXPECT_TRUE(env.ui.shown.at(1).text.startsWith("Face.bin (*.bin)"));
    EXPECT_EQ(TestEnv::readFile(prog("Face")), TestEnv::readFile(faceFile));
    expectStatus(w->lbl[0], true);
    expectStatus(w->lbl[1], true);
    EXPECT_TRUE(w->List1->isEnabled());
    EXPECT_TRUE(DdsWriter::sameColours(w->FaceImg->picture(), face.expected));
    // The face preview removed "\Hair.bmp"; the hair picture stays on screen.
    EXPECT_FALSE(QFileInfo::exists(prog("Hair.bmp")));
    EXPECT_TRUE(DdsWriter::sameColours(w->HairImg->picture(), hair.expected));

    // A file that is no model: still loaded, but the placeholder, not the old picture.
    TestEnv::writeFile(env.path("picked/broken.bin"), "not a model file");
    choose(w->cmd_Face, env.path("picked/broken.bin"));
    expectStatus(w->lbl[0], true);
    EXPECT_EQ(TestEnv::readFile(prog("Face")), "not a model file");
    EXPECT_FALSE(w->FaceImg->hasPicture());
    EXPECT_FALSE(w->FaceImg->text().isEmpty());
}

TEST_F(ChooseModelTest, ChoiceThatDidNotLoadSaysSoAndEnablesNothing)
{
    // The last one finds the working copy's name taken by a folder.
    for (const QString& path : {QString(), env.path("picked/none.bin"), env.path("picked"), faceFile}) {
        SCOPED_TRACE(path.toStdString());
        TestEnv::writeFile(prog("Face"), "earlier copy");
        if (path == faceFile) QFile::remove(prog("Face")), QDir().mkpath(prog("Face/blocked"));
        w->lbl[0]->setText("Status : Loaded");
        choose(w->cmd_Face, path);
        expectStatus(w->lbl[0], false);
        EXPECT_FALSE(QFileInfo(prog("Face")).isFile());
        EXPECT_FALSE(w->List1->isEnabled());
        EXPECT_FALSE(w->FaceImg->hasPicture());
    }
}

}  // namespace
