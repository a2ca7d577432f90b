// The web tab: the news page (built into the program, or an address of the
// user's) loads on each activation, Back and Forward walk the history, and
// Text1 shows the title of the page on show.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>

#include "platform/SettingsStore.h"
#include "platform/WebPane.h"
#include "shell/frmMain.h"
#include "support/WindowEnv.h"

namespace {

const QString kNews = "Kickvale Modding News";
const QString kTips = "Kickvale Modding News - Tips";

struct WebTab {
    WindowEnv env;
    std::unique_ptr<frmMain> window;

    // Opens and shows the window, on the tab it opens on.
    frmMain& show(bool webEngine)
    {
        window = env.openWindow(webEngine, MainOptions::defaultNewsPage());
        WindowEnv::showAndSettle(*window);
        return *window;
    }
    void showWebTab() { window->TabControl->setCurrentWidget(window->Web->parentWidget()); }
    // Runs an action, then expects `title` in Text1: after a load (the
    // engine starts slowly), or with no load at all.
    void step(const std::function<void()>& action, const QString& title, bool loads)
    {
        QSignalSpy finished(window->Web, &WebPane::loadFinished);
        action();
        if (loads)
            (void)QTest::qWaitFor([&] { return window->Text1->text() == title; }, 20000);
        else
            QTest::qWait(300);
        EXPECT_TRUE(loads || finished.isEmpty()) << "a load at an end of the history";
        EXPECT_EQ(window->Text1->text(), title);
    }
};

void newsPageAndHistory(bool webEngine)
{
    WebTab tab;
    frmMain& w = tab.show(webEngine);
    if (webEngine) {
        // The first paint does not wait for a browser engine: none exists
        // until the tab is shown, and no page has loaded.
        EXPECT_TRUE(w.Web->findChildren<QWidget*>().isEmpty());
        EXPECT_EQ(w.Text1->text(), "Text1");
    }

    // The activation's page loads when the tab is shown.
    tab.step([&] { tab.showWebTab(); }, kNews, true);
    tab.step([&] { w.Back->click(); }, kNews, false);
    tab.step([&] { w.Web->navigate(QUrl("qrc:/news/tips.html")); }, kTips, true);
    tab.step([&] { w.Back->click(); }, kNews, true);
    tab.step([&] { w.Forward->click(); }, kTips, true);
    tab.step([&] { w.Forward->click(); }, kTips, false);
    // Shown again (as after the about window), the window loads the news page
    // afresh, as a new page of the history.
    tab.step([&] { w.hide(), WindowEnv::showAndSettle(w); }, kNews, true);
    EXPECT_EQ(w.Web->url(), MainOptions::defaultNewsPage());
    tab.step([&] { w.Back->click(); }, kTips, true);
}

TEST(WebTabTest, NewsPageLoadsOnActivationAndBackForwardWalkItsHistory) { newsPageAndHistory(false); }

TEST(WebEngineTabTest, NewsPageLoadsOnActivationAndBackForwardWalkItsHistory) { newsPageAndHistory(true); }

TEST(WebTabTest, AnAddressInTheSettingsReplacesTheBuiltInPage)
{
    WebTab tab;
    const QString own = tab.env.path("own news.html");
    TestEnv::writeFile(own, "<title>Harbour Rovers fan news</title>");
    SettingsStore(tab.env.settingsFile()).SaveSetting(kSettingsApp, "News", "Address", own);
    tab.show(false);
    tab.step([&] { tab.showWebTab(); }, "Harbour Rovers fan news", true);
    EXPECT_EQ(tab.window->Web->url(), QUrl::fromLocalFile(own));
}

}  // namespace
