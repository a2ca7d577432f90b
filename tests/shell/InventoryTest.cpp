// The main window's control inventory: names, kinds, captions, menus and start states.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "platform/FolderList.h"
#include "shell/frmMain.h"
#include "support/TestEnv.h"

namespace {

enum Start { Plain, Disabled, Checked };

struct Control {
    const char *name, *kind;        // the kind is the widget's class or a base of it
    const char* caption = nullptr;  // nullptr: not checked
    Start start = Plain;            // any other control starts enabled and unchecked
};

constexpr const char *Group = "QGroupBox", *Edit = "QLineEdit", *Button = "QPushButton", *Label = "QLabel";
constexpr const char *Radio = "QRadioButton", *Check = "QCheckBox", *List = "QListWidget";
constexpr const char *Image = "ImageBox", *Folders = "FolderList", *Files = "FileList";

// Grouped a line per part of the window, in its order.
const Control kInventory[] = {
    {"GroupBox12", Group, "Location"},
    {"Lokalizacja2", Edit},
    {"Lokalizacja", Edit},
    {"GroupBox11", Group, "OF Player List"},
    {"txtSearch", Edit, ""},
    {"List1", List, nullptr, Disabled},
    // page "Normal"
    {"GroupBox1", Group, "Player Info"},
    {"GroupBox3", Group, "Name"},
    {"txt(1)", Edit, ""},
    {"GroupBox2", Group, "ID"},
    {"txt(0)", Edit, ""},
    {"GroupBox4", Group, "Import"},
    {"GroupBox5", Group, ""},
    {"cmd_Hair", Button, "Hair"},
    {"cmd_Face", Button, "Face"},
    {"lbl(0)", Label, "Status : Not Loaded"},
    {"lbl(1)", Label, "Status : Not Loaded"},
    {"Op(0)", Radio, "Face and Hair", Checked},
    {"Op(1)", Radio, "Only Face"},
    {"Op(2)", Radio, "Only Hair"},
    {"GroupBox6", Group, "Setting"},
    {"GroupBox8", Group, ""},
    {"Generate", Edit, "", Disabled},
    {"GroupBox7", Group, "Name Generate"},
    {"NameBin", Edit, "", Disabled},
    {"cmdCreate", Button, "Create", Disabled},
    {"GroupBox20", Group, "Preview"},
    {"HairImg", Image},
    {"FaceImg", Image},
    // page "Face Pack"
    {"GroupBox13", Group, "Import"},
    {"GroupBox25", Group, "Import RAR files"},
    {"Un", Edit, ""},
    {"cmd_FacePack", Button, "Browse"},
    {"cmd_Import", Button, "Import"},
    {"Rar", Folders},
    {"GroupBox9", Group, "Change Face"},
    {"ARCH(0)", Files, "*.bin"},
    {"Face", Edit},
    {"GroupBox10", Group, "Change Hair"},
    {"ARCH(1)", Files, "*bin"},
    {"Hair", Edit},
    {"Op(3)", Radio, "Face and Hair", Checked},
    {"Op(4)", Radio, "Only Face"},
    {"Op(5)", Radio, "Only Hair"},
    {"HairImg2", Image},
    {"FaceImg2", Image},
    {"GroupBox14", Group, "Export", Disabled},
    {"GroupBox16", Group, "Setting"},
    {"GroupBox19", Group, "Folder"},
    {"NameBin3", Edit, ""},
    {"Generate3", Edit, ""},
    {"GroupBox17", Group, "Folder Name"},
    {"FolderText", Edit},
    {"GroupBox18", Group, "Normal"},
    {"NameBin2", Edit, ""},
    {"Generate2", Edit, ""},
    {"cmdCreate2", Button, "Create"},
    {"GroupBox15", Group, "Change Folder"},
    {"Dir", Folders},
    {"Che(0)", Check, "Normal"},
    {"Che(1)", Check, "Folder"},
    // page "Folder Setting"
    {"GroupBox21", Group, "OF Team List"},
    {"txtSearch2", Edit, ""},
    {"List2", List},
    {"GroupBox22", Group, "Create Folder"},
    {"GroupBox27", Group, "Clear Program Archive"},
    {"ClearArchive", Edit},
    {"cmd_Clear_Archive", Button, "CLEAR"},
    {"GroupBox26", Group, "Clear Folder"},
    {"Clear", Edit, ""},
    {"cmd_Clear_Folder", Button, "CLEAR"},
    {"GroupBox24", Group, "Delete Folder"},
    {"cmd_Delete_Folder", Button, "Delete"},
    {"TeamDelete", Edit, ""},
    {"GroupBox23", Group, "Ludex Folder Creator"},
    {"cmd_Add_Folder", Button, "Add Folder"},
    {"Team", Edit, ""},
    {"Dir2", Folders},
    // page "PES Modding News"
    {"Text1", Edit, "Text1"},
    {"Back", Button, "Back"},
    {"Forward", Button, "Forward"},
};

// A group's title, a file list's pattern, or the text of a button, label or field.
QString captionOf(const QWidget* w)
{
    if (auto* files = qobject_cast<const FileList*>(w)) return files->Pattern();
    return w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
}

TEST(InventoryTest, ControlsTabPagesMenusAndStartStates)
{
    TestEnv env;
    auto window = env.openWindow();
    for (const Control& c : kInventory) {
        SCOPED_TRACE(c.name);
        const auto found = window->findChildren<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_EQ(found.size(), 1);
        QWidget* w = found.front();
        EXPECT_TRUE(w->inherits(c.kind)) << w->metaObject()->className();
        if (c.caption) EXPECT_EQ(captionOf(w), QString::fromLatin1(c.caption));
        EXPECT_EQ(w->isEnabledTo(w->parentWidget()), c.start != Disabled);  // by itself, not by its group
        if (auto* b = qobject_cast<QAbstractButton*>(w)) EXPECT_EQ(b->isChecked(), c.start == Checked);
    }
    // The tab captions, then the menu bar, then the "File" menu ("-": a separator).
    QStringList captions;
    for (int i = 0; i < window->TabControl->count(); ++i) captions << window->TabControl->tabText(i);
    for (QAction* a : window->menuBar()->actions() + window->File->actions())
        captions << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(captions, QStringList({"Normal", "Face Pack", "Folder Setting", "PES Modding News", "File", "About",
                                     "Location - Edit.bin", "-", "Location - Ludex\\Face"}));
    EXPECT_EQ(window->TabControl->currentIndex(), 1);
}

}  // namespace
