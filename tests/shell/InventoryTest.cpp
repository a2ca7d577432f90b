// The main window's control inventory: names, kinds, captions, start states
// and a layout in which every caption can be read.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>

#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "platform/WebPane.h"
#include "shell/frmMain.h"
#include "support/TestEnv.h"

namespace {

struct Control {
    const char* name;
    const char* kind;     // class the widget must be (or derive from)
    const char* caption;  // nullptr: not checked; "" for an untitled group
};

// Every control of the window, by name, with its kind and caption.
const Control kInventory[] = {
    {"GroupBox12", "QGroupBox", "Location"},
    {"Lokalizacja2", "QLineEdit", nullptr},
    {"Lokalizacja", "QLineEdit", nullptr},
    {"GroupBox11", "QGroupBox", "OF Player List"},
    {"txtSearch", "QLineEdit", ""},
    {"List1", "QListWidget", nullptr},
    // page "Normal"
    {"GroupBox1", "QGroupBox", "Player Info"},
    {"GroupBox3", "QGroupBox", "Name"},
    {"txt(1)", "QLineEdit", ""},
    {"GroupBox2", "QGroupBox", "ID"},
    {"txt(0)", "QLineEdit", ""},
    {"GroupBox4", "QGroupBox", "Import"},
    {"GroupBox5", "QGroupBox", ""},
    {"cmd_Hair", "QPushButton", "Hair"},
    {"cmd_Face", "QPushButton", "Face"},
    {"lbl(0)", "QLabel", "Status : Not Loaded"},
    {"lbl(1)", "QLabel", "Status : Not Loaded"},
    {"Op(0)", "QRadioButton", "Face and Hair"},
    {"Op(1)", "QRadioButton", "Only Face"},
    {"Op(2)", "QRadioButton", "Only Hair"},
    {"GroupBox6", "QGroupBox", "Setting"},
    {"GroupBox8", "QGroupBox", ""},
    {"Generate", "QLineEdit", ""},
    {"GroupBox7", "QGroupBox", "Name Generate"},
    {"NameBin", "QLineEdit", ""},
    {"cmdCreate", "QPushButton", "Create"},
    {"GroupBox20", "QGroupBox", "Preview"},
    {"HairImg", "ImageBox", nullptr},
    {"FaceImg", "ImageBox", nullptr},
    // page "Face Pack"
    {"GroupBox13", "QGroupBox", "Import"},
    {"GroupBox25", "QGroupBox", "Import RAR files"},
    {"Un", "QLineEdit", ""},
    {"cmd_FacePack", "QPushButton", "Browse"},
    {"cmd_Import", "QPushButton", "Import"},
    {"Rar", "FolderList", nullptr},
    {"GroupBox9", "QGroupBox", "Change Face"},
    {"ARCH(0)", "FileList", nullptr},
    {"Face", "QLineEdit", nullptr},
    {"GroupBox10", "QGroupBox", "Change Hair"},
    {"ARCH(1)", "FileList", nullptr},
    {"Hair", "QLineEdit", nullptr},
    {"Op(3)", "QRadioButton", "Face and Hair"},
    {"Op(4)", "QRadioButton", "Only Face"},
    {"Op(5)", "QRadioButton", "Only Hair"},
    {"HairImg2", "ImageBox", nullptr},
    {"FaceImg2", "ImageBox", nullptr},
    {"GroupBox14", "QGroupBox", "Export"},
    {"GroupBox16", "QGroupBox", "Setting"},
    {"GroupBox19", "QGroupBox", "Folder"},
    {"NameBin3", "QLineEdit", ""},
    {"Generate3", "QLineEdit", ""},
    {"GroupBox17", "QGroupBox", "Folder Name"},
    {"FolderText", "QLineEdit", nullptr},
    {"GroupBox18", "QGroupBox", "Normal"},
    {"NameBin2", "QLineEdit", ""},
    {"Generate2", "QLineEdit", ""},
    {"cmdCreate2", "QPushButton", "Create"},
    {"GroupBox15", "QGroupBox", "Change Folder"},
    {"Dir", "FolderList", nullptr},
    {"Che(0)", "QCheckBox", "Normal"},
    {"Che(1)", "QCheckBox", "Folder"},
    // page "Folder Setting"
    {"GroupBox21", "QGroupBox", "OF Team List"},
    {"txtSearch2", "QLineEdit", ""},
    {"List2", "QListWidget", nullptr},
    {"GroupBox22", "QGroupBox", "Create Folder"},
    {"GroupBox27", "QGroupBox", "Clear Program Archive"},
    {"ClearArchive", "QLineEdit", nullptr},
    {"cmd_Clear_Archive", "QPushButton", "CLEAR"},
    {"GroupBox26", "QGroupBox", "Clear Folder"},
    {"Clear", "QLineEdit", ""},
    {"cmd_Clear_Folder", "QPushButton", "CLEAR"},
    {"GroupBox24", "QGroupBox", "Delete Folder"},
    {"cmd_Delete_Folder", "QPushButton", "Delete"},
    {"TeamDelete", "QLineEdit", ""},
    {"GroupBox23", "QGroupBox", "Ludex Folder Creator"},
    {"cmd_Add_Folder", "QPushButton", "Add Folder"},
    {"Team", "QLineEdit", ""},
    {"Dir2", "FolderList", nullptr},
    // web page
    {"Text1", "QLineEdit", "Text1"},
    {"Back", "QPushButton", "Back"},
    {"Forward", "QPushButton", "Forward"},
};

QString captionOf(const QWidget* w)
{
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    return QString();
}

// The page of the tab control that holds the widget, or -1 outside it.
int pageOf(const frmMain& window, const QWidget* w)
{
    for (int i = 0; i < window.TabControl->count(); ++i)
        if (window.TabControl->widget(i)->isAncestorOf(w)) return i;
    return -1;
}

class Inventory : public ::testing::Test {
protected:
    TestEnv env;
    std::unique_ptr<frmMain> window = env.openWindow();
};

TEST_F(Inventory, EveryControlIsFoundByNameWithItsKindAndCaption)
{
    for (const Control& c : kInventory) {
        SCOPED_TRACE(c.name);
        const QList<QWidget*> found = window->findChildren<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_EQ(found.size(), 1);
        EXPECT_TRUE(found.front()->inherits(c.kind)) << found.front()->metaObject()->className();
        if (c.caption) EXPECT_EQ(captionOf(found.front()), QString::fromLatin1(c.caption));
    }
    // The member pointers are the named widgets.
    EXPECT_EQ(window->txt[0]->objectName(), "txt(0)");
    EXPECT_EQ(window->Op[3]->objectName(), "Op(3)");
    EXPECT_EQ(window->ARCH[1]->objectName(), "ARCH(1)");
    EXPECT_EQ(window->ARCH[0]->Pattern(), "*.bin");
    EXPECT_EQ(window->ARCH[1]->Pattern(), "*bin");
    EXPECT_EQ(window->Che[0]->objectName(), "Che(0)");
    EXPECT_EQ(window->lbl[1]->objectName(), "lbl(1)");
    if (window->Web) EXPECT_EQ(window->Web->objectName(), "Web");
}

TEST_F(Inventory, TabsMenusAndPages)
{
    ASSERT_EQ(window->TabControl->objectName(), "TabControl");
    ASSERT_EQ(window->TabControl->count(), 4);
    EXPECT_EQ(window->TabControl->tabText(0), "Normal");
    EXPECT_EQ(window->TabControl->tabText(1), "Face Pack");
    EXPECT_EQ(window->TabControl->tabText(2), "Folder Setting");
    EXPECT_EQ(window->TabControl->tabText(3), "PES Modding News");
    EXPECT_EQ(window->TabControl->currentIndex(), 1);

    EXPECT_EQ(pageOf(*window, window->List1), -1);
    EXPECT_EQ(pageOf(*window, window->Lokalizacja), -1);
    EXPECT_EQ(pageOf(*window, window->txt[1]), 0);
    EXPECT_EQ(pageOf(*window, window->Dir), 1);
    EXPECT_EQ(pageOf(*window, window->Dir2), 2);
    EXPECT_EQ(pageOf(*window, window->Text1), 3);
    if (window->Web) EXPECT_EQ(pageOf(*window, window->Web), 3);
    // Nesting that the reactions rely on.
    EXPECT_TRUE(window->GroupBox15->isAncestorOf(window->Dir));
    EXPECT_TRUE(window->GroupBox14->isAncestorOf(window->cmdCreate2));
    EXPECT_TRUE(window->GroupBox18->isAncestorOf(window->Generate2));
    EXPECT_TRUE(window->GroupBox19->isAncestorOf(window->FolderText));

    EXPECT_EQ(window->File->objectName(), "File");
    EXPECT_EQ(window->File->title(), "File");
    const QList<QAction*> items = window->File->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->objectName(), "mnuOpen");
    EXPECT_EQ(items[0]->text(), "Location - Edit.bin");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[1]->objectName(), "Sep");
    EXPECT_EQ(items[2]->objectName(), "mnuOpen2");
    EXPECT_EQ(items[2]->text(), "Location - Ludex\\Face");
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->menu(), window->File);
    EXPECT_EQ(bar[1], window->About);
    EXPECT_EQ(window->About->objectName(), "About");
    EXPECT_EQ(window->About->text(), "About");
    EXPECT_EQ(window->windowTitle(), frmMain::caption());
}

TEST_F(Inventory, StartStates)
{
    EXPECT_FALSE(window->List1->isEnabled());
    EXPECT_FALSE(window->GroupBox14->isEnabled());
    EXPECT_FALSE(window->cmdCreate->isEnabled());
    EXPECT_FALSE(window->NameBin->isEnabled());
    EXPECT_FALSE(window->Generate->isEnabled());
    EXPECT_TRUE(window->List2->isEnabled());
    EXPECT_TRUE(window->txtSearch->isEnabled());

    EXPECT_TRUE(window->Op[0]->isChecked());
    EXPECT_TRUE(window->Op[3]->isChecked());
    for (int i : {1, 2, 4, 5}) EXPECT_FALSE(window->Op[i]->isChecked()) << i;
    EXPECT_FALSE(window->Che[0]->isChecked());
    EXPECT_FALSE(window->Che[1]->isChecked());

    EXPECT_TRUE(window->Face->isHidden());
    EXPECT_TRUE(window->Hair->isHidden());
    EXPECT_TRUE(window->ClearArchive->isHidden());

    // The two radio groups are independent.
    window->Op[1]->setChecked(true);
    EXPECT_TRUE(window->Op[3]->isChecked());
    window->Op[5]->setChecked(true);
    EXPECT_TRUE(window->Op[1]->isChecked());
}

TEST_F(Inventory, CaptionsFitAndControlsStayInsideTheirContainers)
{
    TestEnv::showAndSettle(*window);
    EXPECT_EQ(window->centralWidget()->size(), QSize(900, 640));
    for (const Control& c : kInventory) {
        SCOPED_TRACE(c.name);
        auto* w = window->findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        const QWidget* parent = w->parentWidget();
        // Every page has the area of the page on show; hidden pages are
        // only sized when they are first shown.
        const QRect area = pageOf(*window, w) >= 0 && window->TabControl->indexOf(parent) >= 0
                               ? window->TabControl->currentWidget()->rect()
                               : parent->rect();
        EXPECT_TRUE(area.contains(w->geometry()))
            << "geometry " << w->x() << "," << w->y() << " " << w->width() << "x" << w->height() << " in "
            << area.width() << "x" << area.height();
        // Text that the control shows whole: buttons, labels, group titles.
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w)) {
            if (!qobject_cast<QGroupBox*>(w)) EXPECT_LE(w->sizeHint().width(), w->width());
            EXPECT_LE(w->minimumSizeHint().width(), w->width());
        }
    }
    // Siblings inside one container do not overlap (hidden fields excepted).
    QSet<QString> names;
    for (const Control& c : kInventory) names.insert(QString::fromLatin1(c.name));
    names.insert("Web");
    for (QWidget* container : window->findChildren<QWidget*>()) {
        QList<QWidget*> shown;
        for (QObject* child : container->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w && !w->isHidden() && names.contains(w->objectName())) shown << w;
        }
        for (int i = 0; i < shown.size(); ++i)
            for (int j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                    << shown[i]->objectName().toStdString() << " overlaps " << shown[j]->objectName().toStdString();
    }
}

}  // namespace
