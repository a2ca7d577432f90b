#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include "platform/WebPane.h"
#include "platform/modSetAlphaIcon.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "support/TestEnv.h"

namespace {

QList<frmAbout*> aboutWindows()
{
    QList<frmAbout*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<frmAbout*>(w)) found << about;
    return found;
}

void flushDeletes()
{
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(AboutTest, ShowsTheVersionNotesLineByLine)
{
    frmAbout about(nullptr);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.GroupBox1->title(), QStringLiteral("Information"));
    EXPECT_TRUE(about.FlatEdit1->isReadOnly());

    // The text field holds CR LF lines, the last one ended too.
    const QString text = frmAbout::aboutText();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 25);
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(text.split(QStringLiteral("\r\n")), frmAbout::aboutLines() << QString());

    QStringList lines = about.FlatEdit1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 26);
    EXPECT_EQ(lines.takeLast(), QString());

    EXPECT_EQ(lines[0], frmMain::caption());
    EXPECT_EQ(lines[0], QStringLiteral("Visagery Ludex Manager by Tomasz Wierzba version 1.0.2"));
    const std::map<int, QString> fixed = {
        {1, ""},
        {2, "Location Edit"},
        {3, "Example:"},
        {5, ""},
        {6, "2.Location LudexFace (Folder)"},
        {7, "Example:"},
        {9, ""},
        {10, "VERSION 1.0.2"},
        {11, "-Add Preview"},
        {12, "-Add Import Rar File (Facepack,Unpacking Face & Hair to rar)"},
        {13, "-Export To Folder"},
        {14, "-Folder Setting"},
        {15, "-Web Page (PES Modding News)"},
        {16, ""},
        {17, "VERSION 1.0.1"},
        {18, "-fIX"},
        {19, ""},
        {20, "VERSION 1.0.0"},
        {21, "-First Relase"},
        {23, ""},
    };
    for (const auto& [index, expected] : fixed) EXPECT_EQ(lines[index], expected) << "line " << index + 1;
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral("\\EDIT.bin"))) << lines[4].toStdString();
    EXPECT_TRUE(lines[4].contains(QStringLiteral("Documents"))) << lines[4].toStdString();
    EXPECT_TRUE(lines[8].endsWith(QStringLiteral("\\Ludex\\Face"))) << lines[8].toStdString();
    EXPECT_TRUE(lines[22].contains(QStringLiteral("Tomasz Wierzba")) && lines[22].contains(QStringLiteral("2011")));
    EXPECT_TRUE(lines[24].startsWith(QStringLiteral("Thanks")));
    EXPECT_EQ(QStringList(frmAbout::aboutLines()), lines);
}

TEST(AboutTest, PictureIsBuiltInAndStretchedToItsBox)
{
    // The picture is part of the program, whatever the platform can decode.
    QFile gif(QStringLiteral(":/about.gif"));
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    EXPECT_TRUE(gif.read(6).startsWith("GIF8"));

    frmAbout about(nullptr);
    EXPECT_TRUE(about.Image1->hasScaledContents());
    EXPECT_EQ(about.Image1->parentWidget(), about.GroupBox1);
    if (!QImageReader::supportedImageFormats().contains("gif")) GTEST_SKIP() << "no GIF reader in this Qt";
    const QImage picture(QStringLiteral(":/about.gif"));
    EXPECT_EQ(picture.size(), QSize(265, 184));
    EXPECT_EQ(about.Image1->pixmap().size(), QSize(265, 184));
    if (!modSetAlphaIcon::loadIcon(QStringLiteral("APPICON")).isNull()) EXPECT_FALSE(about.windowIcon().isNull());
}

TEST(AboutTest, HidesTheMainWindowAndShowsItAgainWithAFreshActivation)
{
    TestEnv env;
    // A local news page, so the activation's navigation can be watched.
    env.writeFile(env.path("news.html"), "<html><head><title>News</title></head><body>n</body></html>");
    env.writeFile(env.path("other.html"), "<html><head><title>Other</title></head><body>o</body></html>");
    MainOptions options;
    options.programFolder = env.programFolder();
    options.settingsFile = env.settingsFile();
    options.ui = &env.ui;
    options.webEngine = false;
    options.newsPage = QUrl::fromLocalFile(env.path("news.html"));
    frmMain window(options);

    window.show();
    // No edit file is stored: each activation reports it missing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.ui.messages().size() == 1; }, 5000));
    EXPECT_EQ(env.ui.messages().at(0), QStringLiteral("Lack - Change..."));
    EXPECT_EQ(window.Web->url(), options.newsPage);
    window.Web->navigate(QUrl::fromLocalFile(env.path("other.html")));

    window.About->trigger();
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(aboutWindows().size(), 1);
    QPointer<frmAbout> about = aboutWindows().first();
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->parentWidget(), nullptr);  // a window of its own, no owner

    // Only one about window at a time.
    window.About_Click();
    EXPECT_EQ(aboutWindows().size(), 1);

    QApplication::processEvents();
    EXPECT_EQ(env.ui.messages().size(), 1);  // hiding is no activation

    about->close();
    EXPECT_TRUE(window.isVisible());
    flushDeletes();
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(aboutWindows().isEmpty());

    // Shown again, the main window runs its activation again: the check of
    // the edit file and the news page.
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.ui.messages().size() == 2; }, 5000));
    EXPECT_EQ(env.ui.messages().at(1), QStringLiteral("Lack - Change..."));
    EXPECT_EQ(window.Web->url(), options.newsPage);
    EXPECT_EQ(window.Text1->text(), QStringLiteral("News"));
}

TEST(AboutTest, AboutWindowGoesWithTheMainWindow)
{
    TestEnv env;
    QPointer<frmAbout> about;
    {
        auto window = env.openWindow();
        window->show();
        window->About->trigger();
        ASSERT_EQ(aboutWindows().size(), 1);
        about = aboutWindows().first();
    }
    flushDeletes();
    EXPECT_TRUE(about.isNull());
}

}  // namespace
