#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "platform/WebPane.h"
#include "shell/frmMain.h"
#include "support/TestEnv.h"

namespace {

constexpr int kPageTimeoutMs = 20000;

// Two local pages that link to each other; no network is ever needed.
struct LocalPages {
    explicit LocalPages(const TestEnv& env)
    {
        first = QUrl::fromLocalFile(env.path("pages/first.html"));
        second = QUrl::fromLocalFile(env.path("pages/second.html"));
        TestEnv::writeFile(env.path("pages/first.html"),
                           "<html><head><title>First page</title></head>"
                           "<body><a href=\"second.html\">on</a></body></html>");
        TestEnv::writeFile(env.path("pages/second.html"),
                           "<html><head><title>Second page</title></head>"
                           "<body><a href=\"first.html\">back</a></body></html>");
    }
    QUrl first;
    QUrl second;
};

// Waits until the web pane has finished a load and Text1 shows `title`.
::testing::AssertionResult showsPage(frmMain& window, const QUrl& url, const QString& title)
{
    const bool ok = QTest::qWaitFor(
        [&] { return window.Web->url() == url && window.Text1->text() == title; }, kPageTimeoutMs);
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shows " << window.Web->url().toString().toStdString() << " titled \""
                                         << window.Text1->text().toStdString() << "\"";
}

// Back and Forward walk the pane's history; where there is no page in that
// direction they do nothing. Text1 follows every page shown.
void walkHistory(frmMain& window, const LocalPages& pages)
{
    EXPECT_EQ(window.Text1->text(), QStringLiteral("Text1"));

    window.Back->click();  // an empty history: nothing happens
    QTest::qWait(50);
    EXPECT_EQ(window.Text1->text(), QStringLiteral("Text1"));

    window.Web->navigate(pages.first);
    ASSERT_TRUE(showsPage(window, pages.first, QStringLiteral("First page")));
    window.Web->navigate(pages.second);
    ASSERT_TRUE(showsPage(window, pages.second, QStringLiteral("Second page")));

    window.Back->click();
    ASSERT_TRUE(showsPage(window, pages.first, QStringLiteral("First page")));

    QSignalSpy loads(window.Web, &WebPane::loadFinished);
    window.Back->click();  // nothing before the first page
    QTest::qWait(300);
    EXPECT_EQ(loads.count(), 0);
    EXPECT_EQ(window.Web->url(), pages.first);

    window.Forward->click();
    ASSERT_TRUE(showsPage(window, pages.second, QStringLiteral("Second page")));

    loads.clear();
    window.Forward->click();  // nothing after the last page
    QTest::qWait(300);
    EXPECT_EQ(loads.count(), 0);
    EXPECT_EQ(window.Web->url(), pages.second);
    EXPECT_EQ(window.Text1->text(), QStringLiteral("Second page"));
}

TEST(WebTabTest, TabHoldsTheBrowserAndItsButtons)
{
    TestEnv env;
    auto window = env.openWindow();
    ASSERT_NE(window->Web, nullptr);
    const int page = window->TabControl->indexOf(window->Web->parentWidget());
    ASSERT_EQ(page, 3);
    EXPECT_EQ(window->TabControl->tabText(page), QStringLiteral("PES Modding News"));
    EXPECT_EQ(window->Back->text(), QStringLiteral("Back"));
    EXPECT_EQ(window->Forward->text(), QStringLiteral("Forward"));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("Text1"));
    EXPECT_TRUE(MainOptions::defaultNewsPage().isValid());
}

TEST(WebTabTest, LightBrowserWalksItsHistory)
{
    TestEnv env;
    LocalPages pages(env);
    auto window = env.openWindow(false);
    walkHistory(*window, pages);

    // It shows no page from the network: a note of its own instead, titled
    // with the address, and the history stays usable.
    const QUrl remote(QStringLiteral("https://news.invalid/"));
    window->Web->navigate(remote);
    EXPECT_EQ(window->Text1->text(), remote.toString());
    window->Back->click();
    EXPECT_EQ(window->Text1->text(), QStringLiteral("First page"));
}

TEST(WebEngineTabTest, WalksItsHistory)
{
    TestEnv env;
    LocalPages pages(env);
    auto window = env.openWindow(true);
    window->show();
    window->TabControl->setCurrentIndex(3);
    walkHistory(*window, pages);
}

TEST(WebEngineTabTest, UnreachableNewsPageShowsItsErrorPage)
{
    TestEnv env;
    auto window = env.openWindow(true);
    window->show();
    QSignalSpy loads(window->Web, &WebPane::loadFinished);
    // Nothing listens on the discard port: the load fails at once, without a network.
    window->Web->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/news")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loads.count() > 0; }, kPageTimeoutMs));
    // The window goes on working: Text1 shows whatever the browser calls the page.
    EXPECT_NE(window->Text1->text(), QStringLiteral("Text1"));
    window->Back->click();
    window->Forward->click();
    QTest::qWait(100);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
