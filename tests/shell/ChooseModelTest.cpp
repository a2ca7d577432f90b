// Face and hair model files taken on the real window: chosen with the
// buttons, or dropped on the previews of the tab "Normal"; face packs dropped
// on the tab "Face Pack"; everything else dropped is refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>

#include "models/ModelFileBuilder.h"
#include "platform/ImageBox.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/RarWriter.h"
#include "support/WindowEnv.h"

namespace {

enum class Target { Face, Hair, FacePackTab };

// Dialogs answered in advance; model files and a face pack ready to take.
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
    QWidget* widget(Target t) const
    {
        // A drop on a field of the tab "Face Pack" reaches the tab.
        if (t == Target::FacePackTab) return w->Un;
        return t == Target::Face ? w->FaceImg : w->HairImg;
    }
    // A drop as the window system delivers it, then the work it queued.
    void drop(Target t, const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        // The drop goes to the widget that took the drag's entry.
        QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget(t), &enter);
        QDropEvent event(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget(t), &event);
        EXPECT_TRUE(enter.isAccepted() && event.isAccepted());
        WindowEnv::settle();
    }
    static QUrl file(const QString& path) { return QUrl::fromLocalFile(path); }

    WindowEnv env;
    std::unique_ptr<frmMain> w = env.openWindow();
    const DdsWriter::Dds face = DdsWriter::dxt5(32, 32, DdsWriter::checkerBlock);
    const DdsWriter::Dds hair = DdsWriter::dxt1(16, 32, DdsWriter::checkerBlock);
    const QString faceFile = ModelFileBuilder().dds(face.bytes).write(env.path("picked/Face.bin"));
    const QString hairFile = ModelFileBuilder().dds(hair.bytes).write(env.path("picked/Hair.bin"));
};
// A drop is taken as the buttons take a chosen file.
using DropTest = ChooseModelTest;

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
    }
}

TEST_F(DropTest, ModelDroppedOnAPreviewIsTakenAsItsButtonTakesAChosenFile)
{
    for (const bool isFace : {false, true}) {
        const QString model = isFace ? faceFile : hairFile;
        drop(isFace ? Target::Face : Target::Hair, {file(model)});
        EXPECT_EQ(TestEnv::readFile(prog(isFace ? "Face" : "Hair")), TestEnv::readFile(model));
        EXPECT_EQ(w->lbl[isFace ? 0 : 1]->text(), "Status : Loaded");
        EXPECT_TRUE((isFace ? w->FaceImg : w->HairImg)->hasPicture());
    }
    EXPECT_TRUE(w->List1->isEnabled());
    EXPECT_TRUE(env.ui.shown.empty());  // no dialog, no message
}

TEST_F(DropTest, FacePackDroppedOnItsTabIsImportedWithProgress)
{
    const QString pack = env.path("picked/Pack.rar");
    ASSERT_TRUE(RarWriter::write(pack, RarWriter::Version::Rar5, {{"Harbour Rovers/face.bin", "f"}}));
    drop(Target::FacePackTab, {file(pack)});
    EXPECT_EQ(w->Un->text(), pack);
    EXPECT_TRUE(QFileInfo(prog("Archive/Harbour Rovers/face.bin")).isFile());
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_EQ(env.ui.shown.front().kind, "progress");
}

TEST_F(DropTest, AnythingElseIsRefusedWithAMessageAndChangesNothing)
{
    const QString pack = env.path("picked/Pack.rar");
    TestEnv::writeFile(pack, "a pack by its name only");
    const QUrl model = file(faceFile);
    struct Case {
        Target target;
        QList<QUrl> urls;
        const char* says;
        bool onlyHair = false;
    };
    const Case cases[] = {
        {Target::Hair, {model, file(hairFile)}, "Only one hair model file"},
        {Target::Face, {QUrl("https://example.org/Face.bin")}, "Only one face model file"},
        {Target::Face, {file(env.path("picked"))}, "is not a file"},
        {Target::Face, {file(pack)}, "is not a face model file"},
        {Target::Face, {model}, "\"Only Hair\"", true},
        {Target::FacePackTab, {model}, "is not a face pack"},
        {Target::FacePackTab, {file(pack), file(pack)}, "Only one face pack"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        TestEnv::writeFile(prog("Face"), "earlier copy");
        w->lbl[0]->setText("Status : Not Loaded");
        if (c.onlyHair) w->Op[2]->click();
        const size_t before = env.ui.messages().size();
        drop(c.target, c.urls);
        ASSERT_EQ(env.ui.messages().size(), before + 1);
        EXPECT_TRUE(env.ui.messages().last().contains(c.says)) << env.ui.messages().last().toStdString();
        EXPECT_EQ(env.ui.shown.back().icon, UiSeam::Icon::Warning);
        EXPECT_EQ(TestEnv::readFile(prog("Face")), "earlier copy");
        EXPECT_EQ(w->lbl[0]->text(), "Status : Not Loaded");
        EXPECT_FALSE(QFileInfo::exists(prog("Archive")));
        w->Op[0]->click();
    }
}

}  // namespace
