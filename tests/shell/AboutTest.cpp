// The about window: its version notes, and the main window hidden while it is open.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "platform/WebPane.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "support/TestEnv.h"

namespace {

TEST(AboutTest, ShowsTheVersionNotesLineByLine)
{
    const QStringList lines = {
        "Visagery Ludex Manager by Tomasz Wierzba version 1.0.2",
        "",
        "Location Edit",
        "Example:",
        "C:\\Users\\Player\\Documents\\KONAMI\\Pro Evolution Soccer 2011\\save\\folder1\\EDIT.bin",
        "",
        "2.Location LudexFace (Folder)",
        "Example:",
        "C:\\Program Files\\KONAMI\\Pro Evolution Soccer 2011\\Visagery\\Ludex\\Face",
        "",
        "VERSION 1.0.2",
        "-Add Preview",
        "-Add Import Rar File (Facepack,Unpacking Face & Hair to rar)",
        "-Export To Folder",
        "-Folder Setting",
        "-Web Page (PES Modding News)",
        "",
        "VERSION 1.0.1",
        "-fIX",
        "",
        "VERSION 1.0.0",
        "-First Relase",
        "(c) 2011 Tomasz Wierzba",
        "",
        "Thanks to Jan Sowa for the Visagery add-on and to Piotr Lis for testing"};
    frmAbout about(nullptr);
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.GroupBox1->title(), "Information");
    EXPECT_EQ(lines.first(), frmMain::caption());
    // The field holds CR LF lines, the last one ended too.
    EXPECT_EQ(frmAbout::aboutText(), lines.join("\r\n") + "\r\n");
    EXPECT_EQ(about.FlatEdit1->toPlainText(), lines.join("\n") + "\n");
}

TEST(AboutTest, HidesTheMainWindowAndShowsItAgainWithAFreshActivation)
{
    TestEnv env;
    TestEnv::writeFile(env.path("news.html"), "<html><head><title>News</title></head></html>");
    auto window = env.openWindow(false, QUrl::fromLocalFile(env.path("news.html")));
    window->show();
    // No edit file is stored: each activation reports it and loads the news page.
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.ui.messages().size() == 1; }, 5000));
    window->Web->navigate(QUrl("about:blank"));

    window->About->trigger();
    window->About_Click();  // one about window at a time
    ASSERT_EQ(TestEnv::openWindows<frmAbout>().size(), 1);
    QPointer<frmAbout> about = TestEnv::openWindows<frmAbout>().first();
    EXPECT_TRUE(about->isVisible() && !window->isVisible());
    QApplication::processEvents();
    EXPECT_EQ(env.ui.messages().size(), 1);  // hiding is no activation

    about->close();
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.ui.messages().size() == 2; }, 5000));
    EXPECT_EQ(window->Text1->text(), "News");
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 5000));

    // An about window still open goes with the main window.
    window->About->trigger();
    about = TestEnv::openWindows<frmAbout>().first();
    window.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 5000));
}

}  // namespace
