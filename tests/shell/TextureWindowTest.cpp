// "Export Texture..." and "Replace Texture..." on the real window: the image
// boxes of the tabs "Normal" and "Face Pack" and the buttons of
// "Installed...", every dialog answered through the scripted seam.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "models/ModelFileBuilder.h"
#include "models/ModelTexture.h"
#include "models/TextureEncoder.h"
#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "shell/TextureActions.h"
#include "shell/frmInstalled.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/FolderSnapshot.h"
#include "support/TexturePictures.h"
#include "support/WindowEnv.h"

namespace {

QAction* action(QWidget* box, const char* name)
{
    for (QAction* a : box->actions())
        if (a->objectName() == QLatin1String(name)) return a;
    ADD_FAILURE() << "no action " << name;
    static QAction none;
    return &none;
}

class TextureWindow : public ::testing::Test {
protected:
    QString prog(const QString& name) const { return QDir(env.programFolder()).filePath(name); }
    // A 64 x 64 DXT1 face model, chosen on the tab "Normal".
    void chooseFace()
    {
        env.ui.files.push_back(faceFile);
        w->cmd_Face->click();
        env.ui.shown.clear();
    }

    WindowEnv env;
    std::unique_ptr<frmMain> w = env.openWindow();
    const RgbaImage picture = TexturePictures::faceLike(64, 1);
    const QString faceFile = ModelFileBuilder()
                                 .dds(DdsWriter::dxt1(64, 64, DdsWriter::checkerBlock).bytes)
                                 .write(env.path("picked/Sample Face.bin"));
};

// Export from the face box writes the PNG beside the chosen file's name;
// replace shows before and after, saves the new model where the user says,
// and takes it as the chosen face: the working copy, its status and preview.
TEST_F(TextureWindow, NormalTabExportsAndReplacesTheChosenFace)
{
    chooseFace();
    const QByteArray original = TestEnv::readFile(faceFile);
    EXPECT_EQ(w->FaceImg->contextMenuPolicy(), Qt::ActionsContextMenu);

    env.ui.saveFiles.push_back(env.path("out/face"));  // typed without a suffix
    QDir().mkpath(env.path("out"));
    action(w->FaceImg, "actExportTexture")->trigger();
    ASSERT_EQ(env.ui.shown.at(0).kind, "save");
    RgbaImage exported;
    ASSERT_TRUE(Pictures::decode(TestEnv::readFile(env.path("out/face.png")), "png", &exported).ok);
    EXPECT_EQ(exported.width, 64);

    TestEnv::writeFile(env.path("edited.png"), TexturePictures::png(picture));
    env.ui.files.push_back(env.path("edited.png"));
    env.ui.dialogs.push_back(true);
    env.ui.saveFiles.push_back(env.path("out/New Face.bin"));
    QImage after;
    env.ui.onDialog = [&](QDialog& dialog) {
        auto* d = qobject_cast<TextureActions::ReplaceDialog*>(&dialog);
        ASSERT_TRUE(d);
        EXPECT_TRUE(d->lblInfo->text().contains("DXT1"));
        after = d->After->pixmap().toImage();
    };
    action(w->FaceImg, "actReplaceTexture")->trigger();
    EXPECT_FALSE(after.isNull());
    const QByteArray saved = TestEnv::readFile(env.path("out/New Face.bin"));
    ASSERT_FALSE(saved.isEmpty()) << env.ui.messages().join('\n').toStdString();
    EXPECT_EQ(TestEnv::readFile(prog("Face")), saved);
    EXPECT_EQ(TestEnv::readFile(faceFile), original);
    EXPECT_EQ(w->lbl[0]->text(), "Status : Loaded");
    ModelTexture::Model model;
    RgbaImage shown;
    ASSERT_TRUE(ModelTexture::fromBytes(saved, &model).ok && ModelTexture::decode(model, &shown).ok);
    EXPECT_GE(TexturePictures::psnr(picture, shown), 32);
    EXPECT_EQ(w->FaceImg->picture().pixelColor(10, 10).rgb(), TexturePictures::toImage(shown).pixelColor(10, 10).rgb());
}

// A cancelled preview or save dialog writes nothing; a refused picture says
// why (both sizes) and never reaches them; the chosen file is never a target.
TEST_F(TextureWindow, CancelledOrRefusedReplacementsWriteNothing)
{
    chooseFace();
    TestEnv::writeFile(env.path("edited.png"), TexturePictures::png(picture));
    TestEnv::writeFile(env.path("small.png"), TexturePictures::png(TexturePictures::faceLike(32)));
    const FolderSnapshot before = snapshotFolder(env.root());
    QAction* replace = action(w->FaceImg, "actReplaceTexture");

    env.ui.files = {env.path("edited.png"), env.path("edited.png"), env.path("small.png"), env.path("edited.png")};
    env.ui.dialogs = {false, true, true};
    env.ui.saveFiles = {"", faceFile};
    for (int i = 0; i < 4; ++i) replace->trigger();
    EXPECT_EQ(snapshotFolder(env.root()), before);
    const QStringList messages = env.ui.messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("32 x 32") && messages[0].contains("64 x 64")) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains("being edited")) << messages[1].toStdString();
    int dialogs = 0;
    for (const auto& s : env.ui.shown) dialogs += s.kind == "dialog";
    EXPECT_EQ(dialogs, 3);
}

// The tab "Face Pack" works on the imported archive entry; "Installed..."
// on the picked entry's files, through its buttons.
TEST_F(TextureWindow, FacePackEntryAndInstalledEntryExportTheirTextures)
{
    const QString entry = ModelFileBuilder()
                              .dds(DdsWriter::dxt5(32, 32, DdsWriter::checkerBlock).bytes)
                              .write(prog("Archive/Team/entry_face.bin"));
    ASSERT_TRUE(w->Rar->setPath(prog("Archive/Team")));
    w->Op[4]->setChecked(true);
    ASSERT_TRUE(w->ARCH[0]->selectFile("entry_face.bin"));
    w->cmd_Import->click();
    EXPECT_EQ(TextureActions::modelFile(w->FaceImg2), entry);
    env.ui.saveFiles.push_back(env.path("entry.dds"));
    action(w->FaceImg2, "actExportTexture")->trigger();
    ModelTexture::Model model;
    ASSERT_TRUE(ModelTexture::read(entry, &model).ok);
    EXPECT_EQ(TestEnv::readFile(env.path("entry.dds")), model.ddsBytes().toByteArray());

    TestEnv::writeFile(env.faceFolder() + "/Sample_Face.bin", TestEnv::readFile(entry));
    TestEnv::writeFile(env.faceFolder() + "/map.txt", "12345, \"Sample_Face.bin\"\r\n");
    w->Lokalizacja2->setText(env.faceFolder());
    w->mnuInstalled->trigger();
    auto* view = w->findChild<frmInstalled*>();
    ASSERT_TRUE(view);
    view->Table->setCurrentIndex(view->Table->model()->index(view->rowOfLine(1), 0));
    EXPECT_EQ(TextureActions::modelFile(view->FaceImg), env.faceFolder() + "/Sample_Face.bin");
    auto* button = view->findChild<QPushButton*>("cmdExportTexture_FaceImg");
    ASSERT_TRUE(button);
    env.ui.saveFiles.push_back(env.path("installed.png"));
    button->click();
    EXPECT_TRUE(QFile::exists(env.path("installed.png"))) << env.ui.messages().join('\n').toStdString();
    // Nothing picked for the hair: it says so.
    view->findChild<QPushButton*>("cmdReplaceTexture_HairImg")->click();
    EXPECT_TRUE(env.ui.messages().last().contains("no model file here"));
}

}  // namespace
