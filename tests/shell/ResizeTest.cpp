#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <map>

#include "platform/ImageBox.h"
#include "shell/frmMain.h"
#include "shell/modResize.h"
#include "support/TestEnv.h"

namespace {

struct Placed {
    QRect geometry;
    qreal fontSize = 0;
};

// Every named control inside the client area, as the resizer sees it.
std::map<QString, Placed> snapshot(QWidget& area)
{
    std::map<QString, Placed> out;
    for (QWidget* w : area.findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        out[name] = {w->geometry(), w->font().pointSizeF()};
    }
    return out;
}

// A small window of its own: nested groups, a list with internal parts, a
// combo box of fixed height, a picture box and an unnamed helper widget.
class SmallWindow : public QWidget {
public:
    SmallWindow()
    {
        setObjectName(QStringLiteral("frmSmall"));
        group = new QGroupBox(QStringLiteral("Group"), this);
        group->setObjectName(QStringLiteral("Group"));
        group->setGeometry(10, 20, 200, 120);
        edit = new QLineEdit(group);
        edit->setObjectName(QStringLiteral("Edit"));
        edit->setGeometry(8, 24, 180, 24);
        list = new QListWidget(group);
        list->setObjectName(QStringLiteral("List"));
        list->setGeometry(8, 52, 180, 60);
        combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("Combo"));
        combo->setGeometry(220, 20, 150, 26);
        image = new ImageBox(this);
        image->setObjectName(QStringLiteral("Image"));
        image->setGeometry(220, 60, 160, 100);
        unnamed = new QWidget(this);
        unnamed->setGeometry(5, 5, 3, 3);
        QFont f = font();
        f.setPointSizeF(10);
        setFont(f);
        resize(400, 300);
    }
    QGroupBox* group;
    QLineEdit* edit;
    QListWidget* list;
    QComboBox* combo;
    ImageBox* image;
    QWidget* unnamed;
};

// Scale of one design rectangle; the resizer rounds to whole pixels.
QRect scaled(const QRect& r, double fx, double fy)
{
    return QRect(qRound(r.x() * fx), qRound(r.y() * fy), qRound(r.width() * fx), qRound(r.height() * fy));
}

TEST(ResizeTest, ScalesEveryControlWithTheClientAreaAndRestoresItExactly)
{
    SmallWindow window;
    modResize::ResizeForm(window);  // records at 400 x 300 and leaves everything in place
    const auto design = snapshot(window);
    ASSERT_EQ(design.size(), 5u);
    const QRect comboDesign = window.combo->geometry();
    const QRect unnamedDesign = window.unnamed->geometry();
    EXPECT_EQ(window.edit->geometry(), QRect(8, 24, 180, 24));

    // Twice the width and the height: every place, size and font doubles,
    // except the combo box's height.
    window.resize(800, 600);
    modResize::ResizeForm(window);
    for (const auto& [name, placed] : snapshot(window)) {
        SCOPED_TRACE(name.toStdString());
        QRect expected = scaled(design.at(name).geometry, 2, 2);
        if (name == QLatin1String("Combo")) expected.setHeight(comboDesign.height());
        EXPECT_EQ(placed.geometry, expected);
        if (name != QLatin1String("Image")) EXPECT_DOUBLE_EQ(placed.fontSize, 2 * design.at(name).fontSize);
    }
    // Internal parts stay with their owner; an unnamed widget is not a control.
    EXPECT_EQ(window.unnamed->geometry(), unnamedDesign);

    // Twice the width alone: lefts, widths and fonts double, tops and heights stay.
    window.resize(800, 300);
    modResize::ResizeForm(window);
    for (const auto& [name, placed] : snapshot(window)) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(placed.geometry, scaled(design.at(name).geometry, 2, 1));
        if (name != QLatin1String("Image")) EXPECT_DOUBLE_EQ(placed.fontSize, 2 * design.at(name).fontSize);
    }

    // An empty client area shrinks everything to nothing at the origin (the
    // combo box keeps its height, fonts keep their last size); the ratios
    // survive it, so the design size brings the design layout back.
    window.resize(0, 0);
    modResize::ResizeForm(window);
    for (const auto& [name, placed] : snapshot(window)) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(placed.geometry.topLeft(), QPoint(0, 0));
        // (the picture box keeps a minimum of one pixel)
        const int least = name == QLatin1String("Image") ? 1 : 0;
        EXPECT_LE(placed.geometry.width(), least);
        if (name != QLatin1String("Combo")) EXPECT_LE(placed.geometry.height(), least);
        EXPECT_GT(placed.fontSize, 0);
    }
    window.resize(400, 300);
    modResize::ResizeForm(window);
    for (const auto& [name, placed] : snapshot(window)) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(placed.geometry, design.at(name).geometry);
        EXPECT_DOUBLE_EQ(placed.fontSize, design.at(name).fontSize);
    }
}

TEST(ResizeTest, WaitsForANonEmptyClientAreaBeforeRecording)
{
    SmallWindow window;
    const auto design = snapshot(window);
    window.resize(0, 0);
    modResize::ResizeForm(window);  // nothing to record yet: nothing moves
    EXPECT_EQ(window.edit->geometry(), design.at("Edit").geometry);

    window.resize(400, 300);
    modResize::ResizeForm(window);  // records now
    window.resize(600, 600);
    modResize::ResizeForm(window);
    EXPECT_EQ(window.edit->geometry(), scaled(design.at("Edit").geometry, 1.5, 2));
    EXPECT_EQ(window.group->geometry(), scaled(design.at("Group").geometry, 1.5, 2));
}

TEST(ResizeTest, RenamedWindowIsRecordedAfresh)
{
    SmallWindow window;
    modResize::ResizeForm(window);
    window.resize(800, 600);
    modResize::ResizeForm(window);
    const QRect doubled = window.edit->geometry();

    // Under another name the current layout becomes the record, so the same
    // client size leaves everything where it is.
    window.setObjectName(QStringLiteral("frmOther"));
    modResize::ResizeForm(window);
    EXPECT_EQ(window.edit->geometry(), doubled);
    window.resize(400, 300);
    modResize::ResizeForm(window);
    EXPECT_EQ(window.edit->geometry(), QRect(8, 24, 180, 24));
}

// The main window, resized through the window system: its own resize
// reaction keeps the whole inventory in proportion.
class MainWindowResizeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = env.openWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::processEvents();
        area = window->centralWidget();
        ASSERT_NE(area, nullptr);
        design = snapshot(*area);
        designClient = area->size();
    }

    // Resizes the whole window so that the client area gets `client`.
    bool resizeClient(QSize client)
    {
        const int extra = window->height() - area->height();
        window->resize(client.width(), client.height() + extra);
        return QTest::qWaitFor([&] { return area->size() == client; }, 5000);
    }

    TestEnv env;
    std::unique_ptr<frmMain> window;
    QWidget* area = nullptr;
    std::map<QString, Placed> design;
    QSize designClient;
};

TEST_F(MainWindowResizeTest, DoublingTheClientAreaDoublesEveryControlAndItsFont)
{
    // The whole inventory takes part, the controls on hidden tab pages too.
    for (const char* name : {"Lokalizacja", "List1", "TabControl", "GroupBox1", "txt(0)", "FaceImg", "ARCH(1)",
                             "Dir", "GroupBox27", "Dir2", "Web", "Text1", "Back", "Forward"})
        EXPECT_TRUE(design.count(QLatin1String(name))) << name;
    const QSize twice = designClient * 2;
    ASSERT_TRUE(resizeClient(twice)) << "client area stayed " << area->width() << "x" << area->height();
    const auto now = snapshot(*area);
    for (const auto& [name, placed] : design) {
        if (name.startsWith(QLatin1String("Page"))) continue;  // tab pages follow the tab control
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(now.count(name));
        EXPECT_EQ(now.at(name).geometry, scaled(placed.geometry, 2, 2));
        if (!name.contains(QLatin1String("Img"))) EXPECT_DOUBLE_EQ(now.at(name).fontSize, 2 * placed.fontSize);
    }
    // The pages of the tab control fill it, at its new size.
    EXPECT_GT(window->TabControl->currentWidget()->width(), design.at("TabControl").geometry.width());
}

TEST_F(MainWindowResizeTest, DoublingTheWidthAloneKeepsTopsAndHeights)
{
    ASSERT_TRUE(resizeClient(QSize(designClient.width() * 2, designClient.height())));
    const auto now = snapshot(*area);
    for (const auto& [name, placed] : design) {
        if (name.startsWith(QLatin1String("Page"))) continue;
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(now.at(name).geometry, scaled(placed.geometry, 2, 1));
    }

    // And back to the design size: the design layout, unchanged.
    ASSERT_TRUE(resizeClient(designClient));
    const auto back = snapshot(*area);
    for (const auto& [name, placed] : design) {
        if (name.startsWith(QLatin1String("Page"))) continue;
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(back.at(name).geometry, placed.geometry);
        EXPECT_DOUBLE_EQ(back.at(name).fontSize, placed.fontSize);
    }
}

TEST_F(MainWindowResizeTest, EmptyClientAreaAndBackRestoresTheRecordedLayout)
{
    area->resize(0, 0);
    modResize::ResizeForm(*window);
    EXPECT_EQ(window->cmdCreate->geometry(), QRect());
    EXPECT_EQ(window->GroupBox12->geometry(), QRect());

    area->resize(designClient);
    modResize::ResizeForm(*window);
    const auto back = snapshot(*area);
    for (const auto& [name, placed] : design) {
        if (name.startsWith(QLatin1String("Page"))) continue;
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(back.at(name).geometry, placed.geometry);
    }
}

}  // namespace
