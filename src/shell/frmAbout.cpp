#include "shell/frmAbout.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>

#include "platform/modSetAlphaIcon.h"

namespace {

// The window's design: a client area of 6945 x 5040 twips at 15 twips a pixel.
constexpr int kClientWidth = 463;
constexpr int kClientHeight = 336;

}  // namespace

QString frmAbout::aboutText(const QString& caption)
{
    const QStringList lines = {
        caption,
        QString(),
        QStringLiteral("Location Edit"),
        QStringLiteral("Example:"),
        QStringLiteral("C:\\Users\\Player\\Documents\\Orrowind Games\\Kickvale Football 2011\\save\\folder1\\EDIT.bin"),
        QString(),
        QStringLiteral("2.Location LudexFace (Folder)"),
        QStringLiteral("Example:"),
        QStringLiteral("C:\\Program Files\\Orrowind Games\\Kickvale Football 2011\\Visagery\\Ludex\\Face"),
        QString(),
        QStringLiteral("VERSION 1.0.2"),
        QStringLiteral("-Add Preview"),
        QStringLiteral("-Add Import Rar File (Facepack,Unpacking Face & Hair to rar)"),
        QStringLiteral("-Export To Folder"),
        QStringLiteral("-Folder Setting"),
        QStringLiteral("-Web Page (Kickvale Modding News)"),
        QString(),
        QStringLiteral("VERSION 1.0.1"),
        QStringLiteral("-fIX"),
        QString(),
        QStringLiteral("VERSION 1.0.0"),
        QStringLiteral("-First Relase"),
        QStringLiteral("(c) 2011 Alder Quintfeld"),
        QString(),
        QStringLiteral("Thanks to Ivo Brenwick for the Visagery add-on and to Selma Draycott for testing"),
    };
    QString text;
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    return text;
}

frmAbout::frmAbout(QWidget* mainWindow, const QString& caption) : QWidget(nullptr), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About"));
    // An about box keeps its design size.
    setFixedSize(kClientWidth, kClientHeight);

    GroupBox1 = new QGroupBox(QStringLiteral("Information"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 449, 321);

    FlatEdit1 = new QPlainTextEdit(GroupBox1);
    FlatEdit1->setObjectName(QStringLiteral("FlatEdit1"));
    FlatEdit1->setGeometry(8, 24, 433, 185);
    FlatEdit1->setReadOnly(true);
    // The example paths are longer than the field is wide: wrapped, they are
    // read without scrolling sideways.
    FlatEdit1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    FlatEdit1->setPlainText(aboutText(caption));

    Image1 = new QLabel(GroupBox1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(240, 208, 201, 104);
    Image1->setScaledContents(true);  // the picture is stretched to the box
    // Without an image reader for GIF the box stays empty; the window works the same.
    Image1->setPixmap(QPixmap(QStringLiteral(":/about.gif")));

    // The program ends with its main window; the about window goes with it.
    if (mainWindow) connect(mainWindow, &QObject::destroyed, this, &QObject::deleteLater);

    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load() { modSetAlphaIcon::SetIcon(this, QStringLiteral("APPICON"), true); }

void frmAbout::Form_Unload()
{
    hide();
    if (mainWindow_) {
        mainWindow_->show();
        mainWindow_->raise();
        mainWindow_->activateWindow();
    }
}

void frmAbout::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    Form_Unload();
}
