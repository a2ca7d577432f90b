// The about window: its version notes, and the main window hidden while it is open.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "platform/WebPane.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "support/WindowEnv.h"

namespace {

TEST(AboutTest, ShowsTheVersionNotesUnderTheMainWindowsCaption)
{
    frmAbout about(nullptr, "Caption of the main window");
    EXPECT_EQ(about.windowTitle(), "About");
    // 25 lines, each ended by CR LF, the last one too; the old notes keep their spelling.
    const QString text = frmAbout::aboutText("Caption of the main window");
    const QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.size(), 26);
    EXPECT_EQ(lines[0], "Caption of the main window");
    EXPECT_EQ(lines[18], "-fIX");
    EXPECT_EQ(lines[21], "-First Relase");
    EXPECT_EQ(lines[25], "");
    EXPECT_EQ(about.FlatEdit1->toPlainText(), QString(text).replace("\r\n", "\n"));
}

TEST(AboutTest, HidesTheMainWindowAndShowsItAgainWithAFreshActivation)
{
    WindowEnv env;
    TestEnv::writeFile(env.path("news.html"), "<html><head><title>News</title></head></html>");
    auto window = env.openWindow(false, QUrl::fromLocalFile(env.path("news.html")));
    window->show();
    // No edit file is stored: each activation reports it and loads the news page.
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.ui.messages().size() == 1; }, 5000));
    window->Web->navigate(QUrl("about:blank"));

    window->About->trigger();
    window->About_Click();  // one about window at a time
    ASSERT_EQ(WindowEnv::openWindows<frmAbout>().size(), 1);
    QPointer<frmAbout> about = WindowEnv::openWindows<frmAbout>().first();
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
    about = WindowEnv::openWindows<frmAbout>().first();
    window.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 5000));
}

}  // namespace
