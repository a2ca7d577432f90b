#include "shell/InstalledGrid.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

using Thumb = ThumbnailLoader::Thumb;

constexpr int kMargin = 6;
constexpr int kTileWidth = kMargin * 3 + InstalledGrid::kFaceEdge + InstalledGrid::kHairEdge;

QImage imageOf(const RgbaImage& p)
{
    return QImage(reinterpret_cast<const uchar*>(p.pixels.constData()), p.width, p.height, p.width * 4,
                  QImage::Format_RGBA8888);
}

class TilePainter : public QStyledItemDelegate {
public:
    explicit TilePainter(InstalledGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(kTileWidth, kMargin * 3 + InstalledGrid::kFaceEdge + option.fontMetrics.height() * 2);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        const QRect r = option.rect.adjusted(1, 1, -1, -1);
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        if (selected) painter->fillRect(r, pal.brush(QPalette::Highlight));
        if (index.data(InstalledRoles::Problem).toBool()) {
            painter->setPen(QPen(QColor(0xB0, 0x00, 0x00), 2));
            painter->drawRect(r.adjusted(1, 1, -1, -1));
        }
        const QRect face(r.left() + kMargin, r.top() + kMargin, InstalledGrid::kFaceEdge, InstalledGrid::kFaceEdge);
        const QRect hair(face.right() + 1 + kMargin, face.top(), InstalledGrid::kHairEdge, InstalledGrid::kHairEdge);
        drawThumb(painter, face, index.data(InstalledRoles::FaceFile).toString(), InstalledGrid::kFaceEdge, pal);
        drawThumb(painter, hair, index.data(InstalledRoles::HairFile).toString(), InstalledGrid::kHairEdge, pal);

        const int line = option.fontMetrics.height();
        QRect text(r.left() + kMargin, face.bottom() + 1 + kMargin / 2, r.width() - 2 * kMargin, line);
        painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(
            text, Qt::AlignLeft | Qt::AlignVCenter,
            option.fontMetrics.elidedText(index.data(InstalledRoles::Title).toString(), Qt::ElideRight, text.width()));
        text.translate(0, line);
        painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter->drawText(
            text, Qt::AlignLeft | Qt::AlignVCenter,
            option.fontMetrics.elidedText(index.data(InstalledRoles::Team).toString(), Qt::ElideRight, text.width()));
        painter->restore();
    }

private:
    void drawThumb(QPainter* painter, const QRect& box, const QString& path, int edge, const QPalette& pal) const
    {
        if (path.isEmpty()) {
            painter->setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DashLine));
            painter->drawRect(box.adjusted(0, 0, -1, -1));
            return;
        }
        const Thumb t = grid_->thumb(path, edge);
        switch (t.state) {
        case Thumb::State::Ready: {
            const QImage image = imageOf(t.picture);
            const QPoint at(box.left() + (box.width() - image.width()) / 2,
                            box.top() + (box.height() - image.height()) / 2);
            painter->drawImage(at, image);
            break;
        }
        case Thumb::State::Pending: painter->fillRect(box, pal.brush(QPalette::Midlight)); break;
        case Thumb::State::Failed:
            // A picture that could not be made: crossed out in red; the
            // tile's tooltip says why.
            painter->fillRect(box, pal.brush(QPalette::Mid));
            painter->setPen(QPen(QColor(0xB0, 0x00, 0x00), 2));
            painter->drawRect(box.adjusted(1, 1, -1, -1));
            painter->drawLine(box.topLeft() + QPoint(4, 4), box.bottomRight() - QPoint(4, 4));
            painter->drawLine(box.topRight() + QPoint(-4, 4), box.bottomLeft() + QPoint(4, -4));
            break;
        }
    }

    InstalledGrid* grid_;
};

}  // namespace

InstalledGrid::InstalledGrid(QWidget* parent) : QListView(parent)
{
    setObjectName(QStringLiteral("Grid"));
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(2000);
    setSpacing(2);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(new TilePainter(this));
    queueTimer_.setInterval(0);
    connect(&queueTimer_, &QTimer::timeout, this, &InstalledGrid::queueNextRows);
}

InstalledGrid::~InstalledGrid() { stop(); }

void InstalledGrid::showEvent(QShowEvent* event)
{
    QListView::showEvent(event);
    start();
}

void InstalledGrid::hideEvent(QHideEvent* event)
{
    stop();
    QListView::hideEvent(event);
}

void InstalledGrid::start()
{
    if (loader_) return;
    ThumbnailLoader::Options options;
    options.cacheFolder = cacheFolder_.isEmpty() ? ThumbnailCache::defaultFolder() : cacheFolder_;
    loader_ = new ThumbnailLoader(options, this);
    connect(loader_, &ThumbnailLoader::ready, viewport(), qOverload<>(&QWidget::update));
    if (model()) {
        connect(model(), &QAbstractItemModel::modelReset, loader_, [this] { modelChanged(); });
        connect(model(), &QAbstractItemModel::rowsRemoved, loader_, [this] { modelChanged(); });
    }
    modelChanged();
    askForFirstScreen();
}

// The tiles that will be on screen once the grid is laid out, asked for now:
// twenty thousand rows take a while to lay out and paint, and the workers
// need not wait for that. The paint asks again for whatever it shows.
void InstalledGrid::askForFirstScreen()
{
    if (!model()) return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QSize tile = itemDelegate()->sizeHint(option, QModelIndex()) + QSize(2 * spacing(), 2 * spacing());
    const QSize area = viewport()->size();
    const int count = qMax(1, area.width() / tile.width()) * (area.height() / tile.height() + 1);
    const int first = currentIndex().isValid() ? currentIndex().row() : 0;
    for (int row = first; row < qMin(first + count, model()->rowCount(rootIndex())); ++row) {
        const QModelIndex i = model()->index(row, modelColumn(), rootIndex());
        if (const QString face = i.data(InstalledRoles::FaceFile).toString(); !face.isEmpty())
            loader_->get(face, kFaceEdge);
        if (const QString hair = i.data(InstalledRoles::HairFile).toString(); !hair.isEmpty())
            loader_->get(hair, kHairEdge);
    }
}

void InstalledGrid::stop()
{
    queueTimer_.stop();
    // Deleted now, not later: its workers are joined before this returns.
    delete loader_.data();
}

void InstalledGrid::modelChanged()
{
    if (!loader_) return;
    loader_->clear();
    queuedRows_ = 0;
    // The rest of the folder waits for the first screen: its decodes would
    // only hold up those of the tiles the user is looking at.
    restWaits_ = true;
    viewport()->update();
}

// The rest of the folder is handed to the workers a slice at a time, so that
// twenty thousand rows never hold up the window.
void InstalledGrid::queueNextRows()
{
    if (!loader_ || !model()) return queueTimer_.stop();
    constexpr int kSlice = 250;
    const int rows = model()->rowCount(rootIndex());
    std::vector<std::pair<QString, int>> items;
    for (int n = 0; queuedRows_ < rows && n < kSlice; ++queuedRows_, ++n) {
        const QModelIndex i = model()->index(queuedRows_, modelColumn(), rootIndex());
        if (QString face = i.data(InstalledRoles::FaceFile).toString(); !face.isEmpty())
            items.emplace_back(std::move(face), kFaceEdge);
        if (QString hair = i.data(InstalledRoles::HairFile).toString(); !hair.isEmpty())
            items.emplace_back(std::move(hair), kHairEdge);
    }
    loader_->queueRest(items);
    if (queuedRows_ >= rows) queueTimer_.stop();
}

ThumbnailLoader::Thumb InstalledGrid::thumb(const QString& path, int edge)
{
    if (!loader_) return Thumb();
    Thumb t = loader_->get(path, edge);
    ++thumbsOnScreen_;
    if (t.state == Thumb::State::Pending) ++pendingOnScreen_;
    return t;
}

void InstalledGrid::paintEvent(QPaintEvent* event)
{
    // What is painted now is what goes first.
    if (loader_) loader_->showing();
    pendingOnScreen_ = thumbsOnScreen_ = 0;
    QListView::paintEvent(event);
    ++paints_;
    if (restWaits_ && pendingOnScreen_ == 0 && loader_) {
        restWaits_ = false;
        queueTimer_.start();
    }
}

InstalledGrid::Tile InstalledGrid::tile(int row)
{
    Tile t;
    const QModelIndex i = model() ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
    if (!i.isValid()) return t;
    t.title = i.data(InstalledRoles::Title).toString();
    t.team = i.data(InstalledRoles::Team).toString();
    t.problem = i.data(InstalledRoles::Problem).toBool();
    QStringList tip{t.title, i.data(InstalledRoles::State).toString()};
    const std::pair<int, int> parts[] = {{InstalledRoles::FaceFile, kFaceEdge}, {InstalledRoles::HairFile, kHairEdge}};
    for (const auto& [role, edge] : parts) {
        const QString path = i.data(role).toString();
        const bool face = role == InstalledRoles::FaceFile;
        (face ? t.hasFace : t.hasHair) = !path.isEmpty();
        if (path.isEmpty() || !loader_) continue;
        const Thumb th = loader_->get(path, edge);
        (face ? t.face : t.hair) = th.state;
        if (th.state == Thumb::State::Failed)
            tip << (face ? QStringLiteral("Face: %1") : QStringLiteral("Hair: %1")).arg(th.failure);
    }
    t.toolTip = tip.join(QLatin1Char('\n'));
    return t;
}

bool InstalledGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex i = indexAt(help->pos());
        if (i.isValid())
            QToolTip::showText(help->globalPos(), tile(i.row()).toolTip, viewport(), visualRect(i));
        else
            QToolTip::hideText();
        return true;
    }
    return QListView::viewportEvent(event);
}
