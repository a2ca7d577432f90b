#include "platform/WebPane.h"

#include <QEvent>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace {

// The desktop browser: a Qt WebEngine view filling the pane. Its history and
// its error page for an unreachable address are the engine's own.
class EngineWebPane : public WebPane {
public:
    explicit EngineWebPane(QWidget* parent) : WebPane(parent), view_(new QWebEngineView(this))
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        connect(view_, &QWebEngineView::loadFinished, this, [this](bool) {
            applyZoom();  // the engine may reset it when the page changes
            emit loadFinished();
        });
        designPointSize_ = font().pointSizeF();
    }

    void navigate(const QUrl& url) override
    {
        if (url.isValid()) view_->load(url);
    }
    void back() override
    {
        if (view_->history()->canGoBack()) view_->back();
    }
    void forward() override
    {
        if (view_->history()->canGoForward()) view_->forward();
    }
    QString title() const override { return view_->title(); }
    QUrl url() const override { return view_->url(); }

protected:
    // The page's text grows and shrinks with the pane's font, as the text of
    // every other control of the window does.
    void changeEvent(QEvent* event) override
    {
        WebPane::changeEvent(event);
        if (event->type() == QEvent::FontChange) applyZoom();
    }

private:
    void applyZoom()
    {
        const qreal size = font().pointSizeF();
        if (designPointSize_ <= 0 || size <= 0) return;
        const qreal zoom = qBound(0.25, size / designPointSize_, 5.0);
        if (!qFuzzyCompare(view_->zoomFactor(), zoom)) view_->setZoomFactor(zoom);
    }

    QWebEngineView* view_;
    qreal designPointSize_ = 0;
};

// A browser for local pages only, on QTextBrowser: enough for windows that
// never look at the web tab, without starting a browser engine. It keeps the
// same history rules (nothing happens where there is no page to go to) and
// reports every finished load at once.
class LightWebPane : public WebPane {
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
        if (url.isLocalFile()) {
            view_->setSource(url);
        } else {
            // No network here: show a page of our own, as a browser shows its
            // error page, and leave the history as it was.
            view_->clear();
            view_->setHtml(QStringLiteral("<html><head><title>%1</title></head><body><p>%2</p></body></html>")
                               .arg(url.toString().toHtmlEscaped(), QStringLiteral("This page cannot be shown here.")));
            offline_ = url;
        }
        if (url.isLocalFile()) offline_.clear();
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

private:
    QTextBrowser* view_;
    QUrl offline_;  // the address shown by the "cannot be shown" page
};

}  // namespace

WebPane* WebPane::createEngine(QWidget* parent) { return new EngineWebPane(parent); }
WebPane* WebPane::createLight(QWidget* parent) { return new LightWebPane(parent); }
