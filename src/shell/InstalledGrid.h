#pragma once

#include <QListView>
#include <QPointer>
#include <QTimer>

#include "models/ThumbnailLoader.h"

// What a list of installed faces tells the picture view about each row,
// beside its display text.
namespace InstalledRoles {
enum : int {
    FaceFile = Qt::UserRole + 240,  // absolute path of the face model file, or empty
    HairFile,                       // the same for the hair
    Title,                          // the player's name, or what stands for it
    Team,                           // the team folder the files are in, or empty
    Problem,                        // bool: the entry has a problem
    State,                          // what is wrong with it, or "OK"
};
}

// The installed faces as pictures: a grid of tiles, one for each row of the
// list's model, each with the face's thumbnail, the hair's beside it, the
// player's name and team folder under them and a red frame when the entry
// has a problem. It shares the list's model and selection, so whatever the
// list does with the picked rows (preview, removal, export) follows a pick
// here. Thumbnails come from worker threads while the grid is shown: the
// tiles on screen first, then the rest of the folder for the disk cache;
// hidden, the grid stops them.
class InstalledGrid : public QListView {
    Q_OBJECT
public:
    static constexpr int kFaceEdge = 128;
    static constexpr int kHairEdge = 64;

    explicit InstalledGrid(QWidget* parent = nullptr);
    ~InstalledGrid() override;

    // One tile as the user sees it.
    struct Tile {
        QString title;
        QString team;
        bool problem = false;
        ThumbnailLoader::Thumb::State face = ThumbnailLoader::Thumb::State::Pending;
        ThumbnailLoader::Thumb::State hair = ThumbnailLoader::Thumb::State::Pending;
        bool hasFace = false, hasHair = false;
        QString toolTip;
    };
    Tile tile(int row);

    // The thumbnails' disk cache (default: the user's cache folder); takes
    // effect the next time the grid is shown.
    void setCacheFolder(const QString& folder) { cacheFolder_ = folder; }
    // The maker of thumbnails while the grid is shown, else null.
    ThumbnailLoader* loader() const { return loader_; }
    // Thumbnails on screen at the last paint, and those of them not there yet.
    int thumbsOnScreen() const { return thumbsOnScreen_; }
    int pendingOnScreen() const { return pendingOnScreen_; }
    int paints() const { return paints_; }

    // Used by the tile painter.
    ThumbnailLoader::Thumb thumb(const QString& path, int edge);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void start();
    void stop();
    void modelChanged();
    void askForFirstScreen();
    void queueNextRows();

    QString cacheFolder_;
    QPointer<ThumbnailLoader> loader_;
    QTimer queueTimer_;
    int queuedRows_ = 0;
    bool restWaits_ = false;
    int thumbsOnScreen_ = 0;
    int pendingOnScreen_ = 0;
    int paints_ = 0;
};
