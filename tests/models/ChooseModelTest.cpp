#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>

#include "platform/ImageBox.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/ModelFileBuilder.h"
#include "support/TestEnv.h"

namespace {

using Files = QSet<QString>;

// Choosing face and hair files on the real window, dialogs answered in advance.
class ChooseModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w = env.openWindow();
        ASSERT_TRUE(w->cmd_Face && w->cmd_Hair && w->lbl[0] && w->lbl[1] && w->List1 && w->FaceImg && w->HairImg)
            << "control inventory not built";
    }

    // A model file outside the program folder, as the user would pick it.
    QString modelFile(const QString& name, const DdsWriter::Dds& dds)
    {
        return ModelFileBuilder().dds(dds.bytes).write(env.path("picked/" + name));
    }
    void chooseFace(const QString& path)
    {
        env.ui.files.push_back(path);
        w->cmd_Face->click();
    }
    void chooseHair(const QString& path)
    {
        env.ui.files.push_back(path);
        w->cmd_Hair->click();
    }
    QString prog(const QString& name) const { return QDir(env.programFolder()).filePath(name); }
    Files programFiles() const
    {
        const QStringList names = QDir(env.programFolder()).entryList(QDir::Files);
        return Files(names.begin(), names.end());
    }
    static void expectStatus(QLabel* label, bool loaded)
    {
        EXPECT_EQ(label->text(), loaded ? "Status : Loaded" : "Status : Not Loaded");
        EXPECT_EQ(label->property("ForeColor").toInt(), loaded ? 65280 : 255);
        label->ensurePolished();
        EXPECT_EQ(label->palette().color(label->foregroundRole()), loaded ? QColor(0, 255, 0) : QColor(255, 0, 0));
    }
    static bool samePicture(const QImage& shown, const QImage& expected)
    {
        return shown.size() == expected.size() &&
               shown.convertToFormat(QImage::Format_RGB32) == expected.convertToFormat(QImage::Format_RGB32);
    }

    TestEnv env;
    std::unique_ptr<frmMain> w;
    const DdsWriter::Dds faceDds = DdsWriter::dxt5(32, 32, DdsWriter::checkerBlock);
    const DdsWriter::Dds hairDds = DdsWriter::dxt1(16, 32, [](int bx, int by) {
        return DdsWriter::pack565(31 - bx * 3, by * 7, 10);
    });
};

TEST_F(ChooseModelTest, ValidFaceFileIsCopiedMarkedLoadedAndPreviewed)
{
    const QString picked = modelFile("Face.bin", faceDds);
    EXPECT_FALSE(w->List1->isEnabled());
    chooseFace(picked);

    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_EQ(env.ui.shown[0].kind, "open");
    EXPECT_EQ(env.ui.shown[0].title, "Face.bin");
    EXPECT_TRUE(env.ui.shown[0].text.startsWith("Face.bin (*.bin)")) << env.ui.shown[0].text.toStdString();

    EXPECT_EQ(TestEnv::readFile(prog("Face")), TestEnv::readFile(picked));
    expectStatus(w->lbl[0], true);
    EXPECT_EQ(w->lbl[1]->text(), "Status : Not Loaded");
    EXPECT_TRUE(w->List1->isEnabled());
    EXPECT_TRUE(samePicture(w->FaceImg->picture(), faceDds.expected));
    EXPECT_FALSE(w->HairImg->hasPicture());
    EXPECT_EQ(programFiles(), (Files{"Face", "Face.bmp"}));
}

TEST_F(ChooseModelTest, HairChoiceTouchesNeitherTheFaceCopyNorItsLabel)
{
    chooseFace(modelFile("Face.bin", faceDds));
    const QByteArray face = TestEnv::readFile(prog("Face"));
    chooseHair(modelFile("Hair.bin", hairDds));

    EXPECT_EQ(env.ui.shown.back().title, "Hair.bin");
    EXPECT_TRUE(env.ui.shown.back().text.startsWith("Hair.bin (*.bin)"));
    EXPECT_EQ(TestEnv::readFile(prog("Face")), face);
    expectStatus(w->lbl[0], true);
    expectStatus(w->lbl[1], true);
    EXPECT_TRUE(samePicture(w->HairImg->picture(), hairDds.expected));
    // The hair preview cleared the face bitmap from disk; the face picture stays on screen.
    EXPECT_EQ(programFiles(), (Files{"Face", "Hair", "Hair.bmp"}));
    EXPECT_TRUE(samePicture(w->FaceImg->picture(), faceDds.expected));

    // And the other way round.
    chooseFace(modelFile("Face.bin", faceDds));
    EXPECT_EQ(programFiles(), (Files{"Face", "Hair", "Face.bmp"}));
    EXPECT_TRUE(samePicture(w->HairImg->picture(), hairDds.expected));
}

TEST_F(ChooseModelTest, CancelRemovesTheCopyAndSaysNotLoaded)
{
    // On a fresh window the cancel enables nothing.
    chooseFace("");
    expectStatus(w->lbl[0], false);
    EXPECT_FALSE(w->List1->isEnabled());

    chooseFace(modelFile("Face.bin", faceDds));
    chooseFace("");
    expectStatus(w->lbl[0], false);
    EXPECT_FALSE(QFile::exists(prog("Face")));
    EXPECT_TRUE(w->List1->isEnabled());  // nothing disables it again
    EXPECT_TRUE(samePicture(w->FaceImg->picture(), faceDds.expected));
}

TEST_F(ChooseModelTest, ChoiceThatDidNotLoadNeverSaysItDid)
{
    const QString picked = modelFile("Face.bin", faceDds);
    struct Case {
        const char* what;
        std::function<QString()> prepare;  // returns the path to choose
    };
    const Case cases[] = {
        {"path that does not exist", [&] { return env.path("picked/none.bin"); }},
        {"a folder, not a file", [&] { return env.path("picked"); }},
        {"working copy cannot be replaced",
         [&] {
             QDir().mkpath(prog("Face/blocked"));
             return picked;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Start each case from a green label.
        w->lbl[0]->setText("Status : Loaded");
        chooseFace(c.prepare());
        expectStatus(w->lbl[0], false);
        EXPECT_FALSE(w->List1->isEnabled());
        EXPECT_FALSE(QFileInfo(prog("Face")).isFile());
        EXPECT_FALSE(w->FaceImg->hasPicture());
        EXPECT_FALSE(QFile::exists(prog("Face.bmp")));
    }
}

TEST_F(ChooseModelTest, FailedPreviewStaysLoadedButShowsNoOldPicture)
{
    chooseFace(modelFile("Face.bin", faceDds));
    ASSERT_TRUE(w->FaceImg->hasPicture());

    const QString broken = env.path("picked/broken.bin");
    TestEnv::writeFile(broken, QByteArray("this is not a model file at all"));
    chooseFace(broken);

    expectStatus(w->lbl[0], true);
    EXPECT_TRUE(w->List1->isEnabled());
    EXPECT_EQ(TestEnv::readFile(prog("Face")), TestEnv::readFile(broken));
    EXPECT_FALSE(w->FaceImg->hasPicture());
    EXPECT_FALSE(w->FaceImg->text().isEmpty());  // the "no preview" placeholder
}

TEST_F(ChooseModelTest, PreviewRoutinesReportFailureToTheirCaller)
{
    EXPECT_FALSE(w->TextureFace2());  // no working copy yet
    EXPECT_FALSE(w->FaceImg2->hasPicture());

    ModelFileBuilder().dds(faceDds.bytes).write(prog("Face"));
    ModelFileBuilder().dds(hairDds.bytes).write(prog("Hair"));
    EXPECT_TRUE(w->TextureFace2());
    EXPECT_TRUE(w->TextureHair2());
    EXPECT_TRUE(samePicture(w->FaceImg2->picture(), faceDds.expected));
    EXPECT_TRUE(samePicture(w->HairImg2->picture(), hairDds.expected));
    EXPECT_EQ(programFiles(), (Files{"Face", "Hair", "Face2.bmp", "Hair2.bmp"}));

    w->Delete();
    EXPECT_EQ(programFiles(), (Files{"Face", "Hair", "Face2.bmp", "Hair2.bmp"}));
}

}  // namespace
