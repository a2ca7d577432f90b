#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "support/TestEnv.h"

namespace {

class ListsTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString root;
    void SetUp() override
    {
        root = QDir::cleanPath(tmp.path());
        for (const char* sub : {"Face/beta", "Face/Alpha", "Face/gamma/inner", "Archive"}) QDir().mkpath(tmp.filePath(sub));
    }
    QString at(const QString& relative) const { return root + "/" + relative; }
    static QStringList texts(const QListWidget& list)
    {
        QStringList out;
        for (int i = 0; i < list.count(); ++i) out << list.item(i)->text().trimmed();
        return out;
    }
    static QPoint centre(QListWidget& list, int row) { return list.visualItemRect(list.item(row)).center(); }
};

TEST_F(ListsTest, FolderListShowsAncestorsThenSortedSubFolders)
{
    FolderList list;
    EXPECT_EQ(list.Path(), "");
    EXPECT_FALSE(list.setPath(at("Face/none")));
    EXPECT_FALSE(list.setPath(QString()));
    ASSERT_TRUE(list.setPath(at("Face/")));
    EXPECT_EQ(list.Path(), at("Face"));

    const QStringList shown = texts(list);
    const int depth = at("Face").count('/') + 1;  // "/" plus each part of the path
    ASSERT_EQ(shown.size(), depth + 3);
    EXPECT_EQ(shown.first(), "/");
    EXPECT_EQ(shown[depth - 1], "Face");
    EXPECT_EQ(shown.mid(depth), (QStringList{"Alpha", "beta", "gamma"}));
    // Sub-folders sit deeper than the current folder.
    EXPECT_GT(list.item(depth)->text().indexOf('A'), list.item(depth - 1)->text().indexOf('F'));

    TestEnv::writeFile(at("Face/file.bin"), "x");
    EXPECT_FALSE(list.setPath(at("Face/file.bin")));
    EXPECT_EQ(list.Path(), at("Face"));  // refused, kept
}

TEST_F(ListsTest, FolderListChangeOnlyOnRealChange)
{
    FolderList list;
    QSignalSpy change(&list, &FolderList::Change);
    list.setPath(at("Face"));
    list.setPath(at("Face"));
    list.setPath(at("Face/./beta/.."));
    EXPECT_EQ(change.count(), 1);
    list.setPath(at("Face/beta"));
    EXPECT_EQ(change.count(), 2);
    list.setPath(at("Face/bogus"));
    EXPECT_EQ(change.count(), 2);
}

TEST_F(ListsTest, FolderListClickSelectsDoubleClickAndEnterOpen)
{
    FolderList list;
    list.resize(300, 600);
    list.setPath(at("Face"));
    list.show();
    QSignalSpy change(&list, &FolderList::Change);
    QSignalSpy click(&list, &FolderList::Click);
    const int alpha = list.count() - 3;

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre(list, alpha));
    EXPECT_EQ(click.count(), 1);
    EXPECT_EQ(list.selectedFolder(), at("Face/Alpha"));
    EXPECT_EQ(list.Path(), at("Face"));
    EXPECT_EQ(change.count(), 0);

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre(list, alpha));
    EXPECT_EQ(list.Path(), at("Face/Alpha"));
    EXPECT_EQ(change.count(), 1);

    // Opening an ancestor goes up.
    list.setCurrentRow(list.count() - 2);  // "Face"
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.Path(), at("Face"));
    EXPECT_EQ(change.count(), 2);
}

TEST_F(ListsTest, FolderListRefreshRereadsTree)
{
    FolderList list;
    list.setPath(at("Face"));
    QDir().mkpath(at("Face/Delta"));
    QDir(at("Face/beta")).removeRecursively();
    QSignalSpy change(&list, &FolderList::Change);
    list.Refresh();
    EXPECT_TRUE(texts(list).contains("Delta"));
    EXPECT_FALSE(texts(list).contains("beta"));
    EXPECT_EQ(list.Path(), at("Face"));
    EXPECT_EQ(change.count(), 0);
}

TEST_F(ListsTest, FileListPatternsSelectionAndRefresh)
{
    for (const char* name : {"face.bin", "FACE.BIN", "hairbin", "b.txt"}) TestEnv::writeFile(at("Archive/") + name, "x");
    QDir().mkpath(at("Archive/folder.bin"));

    FileList dotted("*.bin");
    FileList plain("*bin");
    EXPECT_FALSE(dotted.setPath(at("Archive/face.bin")));
    ASSERT_TRUE(dotted.setPath(at("Archive")));
    ASSERT_TRUE(plain.setPath(at("Archive")));
    EXPECT_EQ(texts(dotted), (QStringList{"FACE.BIN", "face.bin"}));
    EXPECT_EQ(texts(plain), (QStringList{"FACE.BIN", "face.bin", "hairbin"}));

    EXPECT_EQ(plain.FileName(), "");
    EXPECT_TRUE(plain.selectFile("HAIRBIN"));
    EXPECT_EQ(plain.FileName(), "hairbin");
    EXPECT_FALSE(plain.selectFile("b.txt"));

    TestEnv::writeFile(at("Archive/a.bin"), "x");
    plain.Refresh();
    EXPECT_EQ(plain.count(), 4);
    EXPECT_EQ(plain.FileName(), "hairbin");  // kept by name
    QFile::remove(at("Archive/hairbin"));
    plain.Refresh();
    EXPECT_EQ(plain.FileName(), "");
    EXPECT_EQ(plain.Path(), at("Archive"));
}

TEST(ImageBoxTest, LoadFailAndPlaceholder)
{
    QTemporaryDir tmp;
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString file = tmp.filePath("p.bmp");
    ASSERT_TRUE(image.save(file));
    TestEnv::writeFile(tmp.filePath("bad.bmp"), "not a picture");

    ImageBox box;
    box.resize(40, 30);
    box.show();
    EXPECT_FALSE(box.hasPicture());
    ASSERT_TRUE(box.loadPicture(file));
    EXPECT_EQ(box.picture().size(), QSize(4, 2));
    EXPECT_EQ(box.pixmap().size(), box.contentsRect().size());  // stretched to the box

    EXPECT_FALSE(box.loadPicture(tmp.filePath("bad.bmp")));
    EXPECT_FALSE(box.loadPicture(tmp.filePath("missing.bmp")));
    EXPECT_EQ(box.picture().size(), QSize(4, 2));  // kept

    box.resize(80, 20);
    EXPECT_EQ(box.pixmap().size(), box.contentsRect().size());

    box.showPlaceholder();
    EXPECT_FALSE(box.hasPicture());
    EXPECT_TRUE(box.pixmap().isNull());
    EXPECT_EQ(box.text(), "No preview");
}

}  // namespace
