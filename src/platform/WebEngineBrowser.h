#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>
#include <functional>

class QWidget;

// The browser of the engine module (Qt WebEngine), as the web pane drives
// it. The module is a plugin of its own, loaded the first time the web tab
// is shown, so a window that never shows a web page never loads the engine.
class WebEngineBrowser {
public:
    virtual ~WebEngineBrowser() = default;

    virtual QWidget* widget() = 0;  // the browser's widget, owned by its parent
    virtual void navigate(const QUrl& url) = 0;
    virtual void back() = 0;     // nothing when there is no earlier page
    virtual void forward() = 0;  // nothing when there is no later page
    virtual QString title() const = 0;
    virtual QUrl url() const = 0;
    // The page's zoom, kept when the page changes.
    virtual void setZoom(qreal factor) = 0;
};

// What the engine module offers.
class WebEngineFactory {
public:
    virtual ~WebEngineFactory() = default;
    // A browser whose widget is a child of `parent` (the parent owns it and,
    // with it, the browser); `loadFinished` runs after every finished load,
    // failed ones included.
    virtual WebEngineBrowser* create(QWidget* parent, std::function<void()> loadFinished) = 0;
};

#define LudexWebEngineFactory_iid "org.kickvale.LudexManager.WebEngineFactory/1"
Q_DECLARE_INTERFACE(WebEngineFactory, LudexWebEngineFactory_iid)
