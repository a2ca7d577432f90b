// The engine module: a Qt WebEngine view behind the web pane's browser
// interface. Built as a plugin that only the web tab loads.
#include <QObject>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include "platform/WebEngineBrowser.h"

namespace {

// Its history and its error page for an unreachable address are the engine's own.
class EngineBrowser : public QWebEngineView, public WebEngineBrowser {
public:
    EngineBrowser(QWidget* parent, std::function<void()> loadFinished) : QWebEngineView(parent)
    {
        connect(this, &QWebEngineView::loadFinished, this, [this, done = std::move(loadFinished)](bool) {
            // The engine may reset the zoom when the page changes.
            if (!qFuzzyCompare(zoomFactor(), zoom_)) setZoomFactor(zoom_);
            if (done) done();
        });
    }

    QWidget* widget() override { return this; }
    void navigate(const QUrl& url) override
    {
        if (url.isValid()) load(url);
    }
    void back() override
    {
        if (history()->canGoBack()) QWebEngineView::back();
    }
    void forward() override
    {
        if (history()->canGoForward()) QWebEngineView::forward();
    }
    QString title() const override { return QWebEngineView::title(); }
    QUrl url() const override { return QWebEngineView::url(); }
    void setZoom(qreal factor) override
    {
        zoom_ = factor;
        if (!qFuzzyCompare(zoomFactor(), zoom_)) setZoomFactor(zoom_);
    }

private:
    qreal zoom_ = 1.0;
};

}  // namespace

class WebEnginePlugin : public QObject, public WebEngineFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LudexWebEngineFactory_iid)
    Q_INTERFACES(WebEngineFactory)
public:
    WebEngineBrowser* create(QWidget* parent, std::function<void()> loadFinished) override
    {
        return new EngineBrowser(parent, std::move(loadFinished));
    }
};

#include "WebEnginePlugin.moc"
