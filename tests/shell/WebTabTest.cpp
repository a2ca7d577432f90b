// The web tab: Back and Forward walk the browser's history and Text1 shows the page's title.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>

#include "platform/WebPane.h"
#include "shell/frmMain.h"
#include "support/WindowEnv.h"

namespace {

// Over two local pages (no network is ever needed); at the ends of the
// history the buttons do nothing.
void walkHistory(bool webEngine)
{
    WindowEnv env;
    auto window = env.openWindow(webEngine);
    window->show();
    QList<QUrl> pages;
    for (const QString title : {"First", "Second"}) {
        pages << QUrl::fromLocalFile(env.path(title + ".html"));
        TestEnv::writeFile(pages.back().toLocalFile(), "<title>" + title.toUtf8() + "</title>");
    }
    // Runs an action, then expects `title` on show: after a load, or with no load at all.
    const auto step = [&](auto action, const QString& title, bool loads) {
        QSignalSpy finished(window->Web, &WebPane::loadFinished);
        action();
        if (loads)
            (void)QTest::qWaitFor([&] { return window->Text1->text() == title; }, 20000);
        else
            QTest::qWait(300);
        EXPECT_TRUE(loads || finished.isEmpty()) << "a load at an end of the history";
        EXPECT_EQ(window->Text1->text(), title);
    };
    const auto back = [&] { window->Back->click(); };
    const auto forward = [&] { window->Forward->click(); };
    step(back, "Text1", false);
    step([&] { window->Web->navigate(pages[0]); }, "First", true);
    step([&] { window->Web->navigate(pages[1]); }, "Second", true);
    step(back, "First", true);
    step(back, "First", false);
    step(forward, "Second", true);
    step(forward, "Second", false);
}

TEST(WebTabTest, LightBrowserWalksItsHistory) { walkHistory(false); }

TEST(WebEngineTabTest, WalksItsHistory) { walkHistory(true); }

TEST(WebEngineTabTest, UnreachableNewsPageShowsItsErrorPage)
{
    WindowEnv env;
    auto window = env.openWindow(true);
    window->show();
    QSignalSpy loads(window->Web, &WebPane::loadFinished);
    // Nothing listens on the discard port: the load fails at once, without a network.
    window->Web->navigate(QUrl("http://127.0.0.1:9/news"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loads.count() > 0; }, 20000));  // the engine starts slowly
    EXPECT_NE(window->Text1->text(), "Text1");                               // whatever the engine calls its error page
}

}  // namespace
