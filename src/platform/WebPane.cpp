#include "platform/WebPane.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPluginLoader>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "platform/WebEngineBrowser.h"

namespace {

// A browser for local pages only, on QTextBrowser: enough for windows that
// never look at the web tab, and what the tab falls back to when the engine
// cannot be loaded. It keeps the engine's history rules (nothing happens
// where there is no page to go to) and reports every finished load at once.
class LightWebPane : public WebPane, public WebEngineBrowser {
public:
    explicit LightWebPane(QWidget* parent) : WebPane(parent), view_(new QTextBrowser(this))
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        view_->setOpenExternalLinks(false);
        view_->setOpenLinks(true);
        // A link followed inside the page is a load too.
        connect(view_, &QTextBrowser::anchorClicked, this, [this](const QUrl&) { emit loadFinished(); });
    }

    void navigate(const QUrl& url) override
    {
        if (!url.isValid()) return;
        if (isLocal(url)) {
            view_->setSource(url);
        } else {
            // No network here: show a page of our own, as a browser shows its
            // error page, and leave the history as it was.
            view_->clear();
            view_->setHtml(QStringLiteral("<html><head><title>%1</title></head><body><p>%2</p></body></html>")
                               .arg(url.toString().toHtmlEscaped(), QStringLiteral("This page cannot be shown here.")));
            offline_ = url;
        }
        if (isLocal(url)) offline_.clear();
        emit loadFinished();
    }
    void back() override
    {
        if (!view_->isBackwardAvailable()) return;
        offline_.clear();
        view_->backward();
        emit loadFinished();
    }
    void forward() override
    {
        if (!view_->isForwardAvailable()) return;
        offline_.clear();
        view_->forward();
        emit loadFinished();
    }
    QString title() const override { return view_->documentTitle(); }
    QUrl url() const override { return offline_.isEmpty() ? view_->source() : offline_; }
    QWidget* widget() override { return this; }
    void setZoom(qreal) override {}  // the text follows the pane's font by itself

private:
    // Files and the pages built into the program.
    static bool isLocal(const QUrl& url) { return url.isLocalFile() || url.scheme() == QLatin1String("qrc"); }

    QTextBrowser* view_;
    QUrl offline_;  // the address shown by the "cannot be shown" page
};

// The engine module, loaded on first use and kept; null when it cannot be
// loaded. It lies beside the program, in the program's folder under the
// library folder of an installed copy, or where the build put it.
WebEngineFactory* engineModule()
{
    static WebEngineFactory* const factory = []() -> WebEngineFactory* {
        QString why;
        const QString program = QCoreApplication::applicationDirPath();
        for (const QString& folder : {program, program + QStringLiteral("/" LUDEX_WEBENGINE_INSTALLED_DIR),
                                      QStringLiteral(LUDEX_WEBENGINE_DIR)}) {
            QPluginLoader loader(folder + QStringLiteral("/ludex_webengine"));
            if (auto* found = qobject_cast<WebEngineFactory*>(loader.instance())) return found;
            why = loader.errorString();
        }
        // A packaging fault, not the user's: said where a developer looks.
        qWarning("ludex: browser engine plugin not loaded (%s); the web tab shows local pages only", qPrintable(why));
        return nullptr;
    }();
    return factory;
}

// The desktop browser. Loading the engine takes longer than building the
// whole window and doubles the program's memory, so it waits until the
// pane is first shown; until then the pane only remembers the address it
// was last sent to, and that page loads when the browser is there.
class DeferredWebPane : public WebPane {
public:
    explicit DeferredWebPane(QWidget* parent) : WebPane(parent), layout_(new QVBoxLayout(this))
    {
        layout_->setContentsMargins(0, 0, 0, 0);
        designPointSize_ = font().pointSizeF();
    }

    void navigate(const QUrl& url) override
    {
        if (!url.isValid()) return;
        if (browser_)
            browser_->navigate(url);
        else
            pending_ = url;
    }
    void back() override
    {
        if (browser_) browser_->back();
    }
    void forward() override
    {
        if (browser_) browser_->forward();
    }
    QString title() const override { return browser_ ? browser_->title() : QString(); }
    QUrl url() const override { return browser_ ? browser_->url() : pending_; }

protected:
    void showEvent(QShowEvent* event) override
    {
        WebPane::showEvent(event);
        // After the tab has painted, so switching to it answers at once.
        if (!browser_) QTimer::singleShot(0, this, &DeferredWebPane::start);
    }
    // The page's text grows and shrinks with the pane's font, as the text of
    // every other control of the window does.
    void changeEvent(QEvent* event) override
    {
        WebPane::changeEvent(event);
        if (event->type() == QEvent::FontChange) applyZoom();
    }

private:
    void start()
    {
        if (browser_) return;
        const auto finished = [this] { emit loadFinished(); };
        if (WebEngineFactory* engine = engineModule()) browser_ = engine->create(this, finished);
        if (!browser_) {
            // Without the engine the pages built into the program still show.
            auto* light = new LightWebPane(this);
            connect(light, &WebPane::loadFinished, this, finished);
            browser_ = light;
        }
        layout_->addWidget(browser_->widget());
        applyZoom();
        if (pending_.isValid()) browser_->navigate(std::exchange(pending_, QUrl()));
    }

    void applyZoom()
    {
        const qreal size = font().pointSizeF();
        if (browser_ && designPointSize_ > 0 && size > 0) browser_->setZoom(qBound(0.25, size / designPointSize_, 5.0));
    }

    QVBoxLayout* layout_;
    WebEngineBrowser* browser_ = nullptr;  // a child widget, created on first show
    QUrl pending_;
    qreal designPointSize_ = 0;
};

}  // namespace

WebPane* WebPane::createEngine(QWidget* parent) { return new DeferredWebPane(parent); }
WebPane* WebPane::createLight(QWidget* parent) { return new LightWebPane(parent); }
