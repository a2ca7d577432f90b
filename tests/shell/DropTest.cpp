// Files dropped on the window: model files on the previews of the tab
// "Normal", face packs on the tab "Face Pack", everything else refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>

#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "sample/SampleWorld.h"
#include "shell/frmMain.h"
#include "support/WindowEnv.h"

namespace {

enum class Target { Face, Hair, FacePackTab };

class DropTest : public ::testing::Test {
protected:
    QWidget* widget(Target t) const
    {
        // A drop on a field of the tab "Face Pack" reaches the tab.
        if (t == Target::FacePackTab) return w->Un;
        return t == Target::Face ? w->FaceImg : w->HairImg;
    }
    // A drop as the window system delivers it, then the work it queued.
    void drop(Target t, const QList<QUrl>& urls, const QString& text = QString())
    {
        QMimeData data;
        if (!urls.isEmpty()) data.setUrls(urls);
        if (!text.isEmpty()) data.setText(text);
        // The drop goes to the widget that took the drag's entry.
        QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget(t), &enter);
        QDropEvent event(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget(t), &event);
        EXPECT_TRUE(enter.isAccepted() && event.isAccepted());
        WindowEnv::settle();
    }
    static QUrl file(const QString& path) { return QUrl::fromLocalFile(path); }
    QString prog(const QString& name) const { return QDir(env.programFolder()).filePath(name); }

    WindowEnv env;
    std::unique_ptr<SampleWorld> world = SampleWorld::create();
    std::unique_ptr<frmMain> w = env.openWindow();
};

TEST_F(DropTest, ModelDroppedOnAPreviewIsTakenAsItsButtonTakesAChosenFile)
{
    for (const bool face : {false, true}) {
        const QString model = face ? world->faceModel() : world->hairModel();
        drop(face ? Target::Face : Target::Hair, {file(model)});
        EXPECT_EQ(TestEnv::readFile(prog(face ? "Face" : "Hair")), TestEnv::readFile(model));
        EXPECT_EQ(w->lbl[face ? 0 : 1]->text(), "Status : Loaded");
        EXPECT_TRUE((face ? w->FaceImg : w->HairImg)->hasPicture());
    }
    EXPECT_TRUE(w->List1->isEnabled());
    EXPECT_TRUE(env.ui.shown.empty());  // no dialog, no message
}

TEST_F(DropTest, FacePackDroppedOnItsTabIsImportedWithProgress)
{
    drop(Target::FacePackTab, {file(world->facePack())});
    EXPECT_EQ(w->Un->text(), world->facePack());
    EXPECT_TRUE(QFileInfo(prog("Archive/Sample Face Pack/Millbrook Athletic")).isDir());
    EXPECT_EQ(w->Rar->findItems("Sample Face Pack", Qt::MatchContains).size(), 1);
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_EQ(env.ui.shown.front().kind, "progress");
}

TEST_F(DropTest, AnythingElseIsRefusedWithAMessageAndChangesNothing)
{
    const QString folder = world->downloads();
    const QUrl face = file(world->faceModel()), pack = file(world->facePack());
    struct Case {
        Target target;
        QList<QUrl> urls;
        QString text;
        const char* says;
        bool onlyHair = false;
    };
    const Case cases[] = {
        {Target::Face, {face, file(world->hairModel())}, {}, "Only one face model file"},
        {Target::Face, {QUrl("https://example.org/Face.bin")}, {}, "Only one face model file"},
        {Target::Hair, {}, "Face.bin", "Only one hair model file"},
        {Target::Face, {file(folder)}, {}, "is not a file"},
        {Target::Face, {pack}, {}, "is not a face model file"},
        {Target::Hair, {file(world->editFile())}, {}, "is not a hair model file"},
        {Target::Face, {face}, {}, "\"Only Hair\"", true},
        {Target::FacePackTab, {face}, {}, "is not a face pack"},
        {Target::FacePackTab, {pack, pack}, {}, "Only one face pack"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        TestEnv::writeFile(prog("Face"), "earlier copy");
        w->lbl[0]->setText("Status : Not Loaded");
        if (c.onlyHair) w->Op[2]->click();
        const size_t before = env.ui.messages().size();
        drop(c.target, c.urls, c.text);
        ASSERT_EQ(env.ui.messages().size(), before + 1);
        EXPECT_TRUE(env.ui.messages().last().contains(c.says)) << env.ui.messages().last().toStdString();
        EXPECT_EQ(env.ui.messageIcons().back(), UiSeam::Icon::Warning);
        EXPECT_EQ(TestEnv::readFile(prog("Face")), "earlier copy");
        EXPECT_EQ(w->lbl[0]->text(), "Status : Not Loaded");
        EXPECT_FALSE(QFileInfo::exists(prog("Archive")));
        w->Op[0]->click();
    }
}

}  // namespace
