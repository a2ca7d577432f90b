#pragma once

#include <QUrl>
#include <QWidget>

// The browser of the web tab. The desktop program uses Qt WebEngine, loaded
// the first time the pane is shown; tests that do not look at the web tab use
// a light stand-in with the same history behaviour, so they never start a
// browser engine.
class WebPane : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void navigate(const QUrl& url) = 0;
    virtual void back() = 0;     // nothing when there is no earlier page
    virtual void forward() = 0;  // nothing when there is no later page
    virtual QString title() const = 0;
    virtual QUrl url() const = 0;

    // Qt WebEngine, once the pane is first shown; until then it keeps the
    // last address it was sent to and has no history. Local pages only
    // when the engine cannot be loaded.
    static WebPane* createEngine(QWidget* parent);
    static WebPane* createLight(QWidget* parent);  // local pages only

signals:
    void loadFinished();  // a page finished loading (or failed to)
};
