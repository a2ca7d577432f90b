// The control inventory of the main window at its design positions.
//
// Every control is placed with absolute geometry inside a client area of
// kDesignWidth x kDesignHeight pixels: the layout resizer records these
// positions as ratios of the client area and scales them from there, so no
// toolkit layout may move them behind its back.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "platform/WebPane.h"
#include "shell/frmMain.h"

namespace {

constexpr int kDesignWidth = 900;
constexpr int kDesignHeight = 640;

QString arrayName(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

template <typename W>
W* place(W* widget, const QString& name, int x, int y, int w, int h)
{
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& title, int x, int y, int w, int h)
{
    return place(new QGroupBox(title, parent), QLatin1String(name), x, y, w, h);
}

QLineEdit* edit(QWidget* parent, const QString& name, int x, int y, int w, int h = 24)
{
    return place(new QLineEdit(parent), name, x, y, w, h);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int x, int y, int w, int h = 28)
{
    return place(new QPushButton(caption, parent), QLatin1String(name), x, y, w, h);
}

QListWidget* listBox(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* list = place(new QListWidget(parent), QLatin1String(name), x, y, w, h);
    // The player list holds ten thousand entries; uniform rows keep its
    // layout and scrolling cheap.
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

}  // namespace

void frmMain::buildUi()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(client);

    // ----- menu bar -----
    File = menuBar()->addMenu(QStringLiteral("File"));
    File->setObjectName(QStringLiteral("File"));
    mnuOpen = File->addAction(QStringLiteral("Location - Edit.bin"));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    Sep = File->addSeparator();
    Sep->setObjectName(QStringLiteral("Sep"));
    mnuOpen2 = File->addAction(QStringLiteral("Location - Ludex\\Face"));
    mnuOpen2->setObjectName(QStringLiteral("mnuOpen2"));
    About = menuBar()->addAction(QStringLiteral("About"));
    About->setObjectName(QStringLiteral("About"));

    // ----- always shown -----
    GroupBox12 = group(client, "GroupBox12", QStringLiteral("Location"), 8, 4, 884, 80);
    Lokalizacja2 = edit(GroupBox12, QStringLiteral("Lokalizacja2"), 10, 22, 864);
    Lokalizacja2->setToolTip(QStringLiteral("Face folder (Ludex\\Face)"));
    Lokalizacja = edit(GroupBox12, QStringLiteral("Lokalizacja"), 10, 50, 864);
    Lokalizacja->setToolTip(QStringLiteral("Edit file (Edit.bin)"));

    GroupBox11 = group(client, "GroupBox11", QStringLiteral("OF Player List"), 8, 90, 260, 542);
    txtSearch = edit(GroupBox11, QStringLiteral("txtSearch"), 10, 22, 240);
    List1 = listBox(GroupBox11, "List1", 10, 52, 240, 480);
    List1->setEnabled(false);

    TabControl = place(new QTabWidget(client), QStringLiteral("TabControl"), 276, 90, 616, 542);

    // ----- page "Normal" -----
    auto* normal = new QWidget;
    normal->setObjectName(QStringLiteral("PageNormal"));
    TabControl->addTab(normal, QStringLiteral("Normal"));

    GroupBox1 = group(normal, "GroupBox1", QStringLiteral("Player Info"), 8, 8, 592, 80);
    GroupBox3 = group(GroupBox1, "GroupBox3", QStringLiteral("Name"), 10, 20, 376, 52);
    txt[1] = edit(GroupBox3, arrayName("txt", 1), 8, 20, 360);
    GroupBox2 = group(GroupBox1, "GroupBox2", QStringLiteral("ID"), 394, 20, 188, 52);
    txt[0] = edit(GroupBox2, arrayName("txt", 0), 8, 20, 172);

    GroupBox4 = group(normal, "GroupBox4", QStringLiteral("Import"), 8, 94, 592, 112);
    GroupBox5 = group(GroupBox4, "GroupBox5", QString(), 10, 20, 340, 84);
    cmd_Hair = button(GroupBox5, "cmd_Hair", QStringLiteral("Hair"), 10, 10, 90);
    cmd_Face = button(GroupBox5, "cmd_Face", QStringLiteral("Face"), 10, 46, 90);
    lbl[1] = place(new QLabel(QStringLiteral("Status : Not Loaded"), GroupBox5), arrayName("lbl", 1), 112, 10, 220, 28);
    lbl[0] = place(new QLabel(QStringLiteral("Status : Not Loaded"), GroupBox5), arrayName("lbl", 0), 112, 46, 220, 28);
    const QString choices[3] = {QStringLiteral("Face and Hair"), QStringLiteral("Only Face"),
                                QStringLiteral("Only Hair")};
    for (int i = 0; i < 3; ++i)
        Op[i] = place(new QRadioButton(choices[i], GroupBox4), arrayName("Op", i), 368, 24 + 26 * i, 210, 24);
    Op[0]->setChecked(true);

    GroupBox6 = group(normal, "GroupBox6", QStringLiteral("Setting"), 8, 212, 468, 116);
    GroupBox8 = group(GroupBox6, "GroupBox8", QString(), 10, 20, 448, 40);
    Generate = edit(GroupBox8, QStringLiteral("Generate"), 8, 8, 432);
    GroupBox7 = group(GroupBox6, "GroupBox7", QStringLiteral("Name Generate"), 10, 62, 448, 48);
    NameBin = edit(GroupBox7, QStringLiteral("NameBin"), 8, 18, 432);
    cmdCreate = button(normal, "cmdCreate", QStringLiteral("Create"), 484, 240, 116, 60);

    GroupBox20 = group(normal, "GroupBox20", QStringLiteral("Preview"), 8, 334, 592, 172);
    HairImg = place(new ImageBox(GroupBox20), QStringLiteral("HairImg"), 10, 22, 280, 142);
    FaceImg = place(new ImageBox(GroupBox20), QStringLiteral("FaceImg"), 302, 22, 280, 142);

    // The player selection enables these once a player is picked.
    cmdCreate->setEnabled(false);
    NameBin->setEnabled(false);
    Generate->setEnabled(false);

    // ----- page "Face Pack" -----
    auto* pack = new QWidget;
    pack->setObjectName(QStringLiteral("PageFacePack"));
    TabControl->addTab(pack, QStringLiteral("Face Pack"));

    GroupBox13 = group(pack, "GroupBox13", QStringLiteral("Import"), 8, 6, 300, 500);
    GroupBox25 = group(GroupBox13, "GroupBox25", QStringLiteral("Import RAR files"), 10, 18, 280, 54);
    Un = edit(GroupBox25, QStringLiteral("Un"), 8, 22, 176);
    cmd_FacePack = button(GroupBox25, "cmd_FacePack", QStringLiteral("Browse"), 190, 20, 82);
    Rar = place(new FolderList(GroupBox13), QStringLiteral("Rar"), 10, 78, 280, 100);
    GroupBox9 = group(GroupBox13, "GroupBox9", QStringLiteral("Change Face"), 10, 182, 136, 116);
    ARCH[0] = place(new FileList(QStringLiteral("*.bin"), GroupBox9), arrayName("ARCH", 0), 8, 20, 120, 88);
    Face = edit(GroupBox9, QStringLiteral("Face"), 8, 20, 120);
    Face->hide();
    GroupBox10 = group(GroupBox13, "GroupBox10", QStringLiteral("Change Hair"), 154, 182, 136, 116);
    ARCH[1] = place(new FileList(QStringLiteral("*bin"), GroupBox10), arrayName("ARCH", 1), 8, 20, 120, 88);
    Hair = edit(GroupBox10, QStringLiteral("Hair"), 8, 20, 120);
    Hair->hide();
    for (int i = 3; i < 6; ++i)
        Op[i] =
            place(new QRadioButton(choices[i - 3], GroupBox13), arrayName("Op", i), 10, 304 + 24 * (i - 3), 140, 24);
    Op[3]->setChecked(true);
    cmd_Import = button(GroupBox13, "cmd_Import", QStringLiteral("Import"), 154, 310, 136, 56);
    HairImg2 = place(new ImageBox(GroupBox13), QStringLiteral("HairImg2"), 10, 380, 136, 112);
    FaceImg2 = place(new ImageBox(GroupBox13), QStringLiteral("FaceImg2"), 154, 380, 136, 112);

    GroupBox14 = group(pack, "GroupBox14", QStringLiteral("Export"), 314, 6, 290, 500);
    GroupBox16 = group(GroupBox14, "GroupBox16", QStringLiteral("Setting"), 8, 18, 274, 276);
    GroupBox19 = group(GroupBox16, "GroupBox19", QStringLiteral("Folder"), 8, 18, 258, 130);
    NameBin3 = edit(GroupBox19, QStringLiteral("NameBin3"), 8, 20, 242);
    Generate3 = edit(GroupBox19, QStringLiteral("Generate3"), 8, 48, 242);
    GroupBox17 = group(GroupBox19, "GroupBox17", QStringLiteral("Folder Name"), 8, 74, 242, 50);
    FolderText = edit(GroupBox17, QStringLiteral("FolderText"), 8, 20, 226);
    GroupBox18 = group(GroupBox16, "GroupBox18", QStringLiteral("Normal"), 8, 154, 258, 80);
    NameBin2 = edit(GroupBox18, QStringLiteral("NameBin2"), 8, 20, 242);
    Generate2 = edit(GroupBox18, QStringLiteral("Generate2"), 8, 48, 242);
    cmdCreate2 = button(GroupBox16, "cmdCreate2", QStringLiteral("Create"), 8, 240, 258, 30);
    GroupBox15 = group(GroupBox14, "GroupBox15", QStringLiteral("Change Folder"), 8, 300, 274, 160);
    Dir = place(new FolderList(GroupBox15), QStringLiteral("Dir"), 8, 20, 258, 132);
    Che[0] = place(new QCheckBox(QStringLiteral("Normal"), GroupBox14), arrayName("Che", 0), 16, 466, 110, 24);
    Che[1] = place(new QCheckBox(QStringLiteral("Folder"), GroupBox14), arrayName("Che", 1), 140, 466, 110, 24);
    GroupBox14->setEnabled(false);

    // ----- page "Folder Setting" -----
    auto* folders = new QWidget;
    folders->setObjectName(QStringLiteral("PageFolderSetting"));
    TabControl->addTab(folders, QStringLiteral("Folder Setting"));

    GroupBox21 = group(folders, "GroupBox21", QStringLiteral("OF Team List"), 8, 6, 240, 500);
    txtSearch2 = edit(GroupBox21, QStringLiteral("txtSearch2"), 10, 22, 220);
    List2 = listBox(GroupBox21, "List2", 10, 52, 220, 440);

    GroupBox22 = group(folders, "GroupBox22", QStringLiteral("Create Folder"), 256, 6, 348, 500);
    GroupBox27 = group(GroupBox22, "GroupBox27", QStringLiteral("Clear Program Archive"), 10, 20, 328, 58);
    ClearArchive = edit(GroupBox27, QStringLiteral("ClearArchive"), 8, 22, 200);
    ClearArchive->hide();
    cmd_Clear_Archive = button(GroupBox27, "cmd_Clear_Archive", QStringLiteral("CLEAR"), 8, 22, 312);
    GroupBox26 = group(GroupBox22, "GroupBox26", QStringLiteral("Clear Folder"), 10, 84, 328, 58);
    Clear = edit(GroupBox26, QStringLiteral("Clear"), 8, 24, 214);
    cmd_Clear_Folder = button(GroupBox26, "cmd_Clear_Folder", QStringLiteral("CLEAR"), 230, 22, 90);
    GroupBox24 = group(GroupBox22, "GroupBox24", QStringLiteral("Delete Folder"), 10, 148, 328, 58);
    cmd_Delete_Folder = button(GroupBox24, "cmd_Delete_Folder", QStringLiteral("Delete"), 230, 22, 90);
    TeamDelete = edit(GroupBox24, QStringLiteral("TeamDelete"), 8, 24, 214);
    GroupBox23 = group(GroupBox22, "GroupBox23", QStringLiteral("Ludex Folder Creator"), 10, 212, 328, 58);
    cmd_Add_Folder = button(GroupBox23, "cmd_Add_Folder", QStringLiteral("Add Folder"), 230, 22, 90);
    Team = edit(GroupBox23, QStringLiteral("Team"), 8, 24, 214);
    Dir2 = place(new FolderList(GroupBox22), QStringLiteral("Dir2"), 10, 278, 328, 214);

    // ----- web page -----
    auto* news = new QWidget;
    news->setObjectName(QStringLiteral("PageWeb"));
    TabControl->addTab(news, QStringLiteral("Kickvale Modding News"));
    Back = button(news, "Back", QStringLiteral("Back"), 8, 8, 90);
    Forward = button(news, "Forward", QStringLiteral("Forward"), 104, 8, 90);
    Web = options().webEngine ? WebPane::createEngine(news) : WebPane::createLight(news);
    if (Web) place(Web, QStringLiteral("Web"), 8, 42, 596, 428);
    Text1 = edit(news, QStringLiteral("Text1"), 8, 476, 300);
    Text1->setText(QStringLiteral("Text1"));

    buildInstalledUi();

    TabControl->setCurrentIndex(1);  // opens on "Face Pack"

    // The client area gets the design size; the menu bar sits above it.
    client->resize(kDesignWidth, kDesignHeight);
    resize(kDesignWidth, kDesignHeight + menuBar()->sizeHint().height());
}
