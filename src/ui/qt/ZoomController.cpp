#include "qt/ZoomController.h"

#include "preview/PreviewText.h"
#include "preview/RegionPicture.h"


#include <algorithm>
#include <cmath>

namespace quillane {
namespace {

// Tiles of the next step in made ahead, at most: about 32 MB.
constexpr std::size_t aheadTiles = 32;

QImage imageOf(const RgbImage& picture) {
    return QImage(picture.pixels.data(), static_cast<int>(picture.width), static_cast<int>(picture.height),
                  static_cast<qsizetype>(picture.width) * 3, QImage::Format_RGB888)
        .copy();
}

}  // namespace

ZoomController::ZoomController(QObject* parent) : QObject(parent) {
    refresh_.setSingleShot(true);
    refresh_.setInterval(0);
    connect(&refresh_, &QTimer::timeout, this, &ZoomController::refreshNow);
    connect(this, &ZoomController::tileMade, this, [this](const std::shared_ptr<const ViewTile>& tile, quint64 generation) {
        if (generation == generation_) takeTile(tile);
    }, Qt::QueuedConnection);
    connect(this, &ZoomController::tileFailed, this, [this](const QString& text, quint64 generation) {
        if (generation == generation_) Q_EMIT failed(text);
    }, Qt::QueuedConnection);
}

ZoomController::~ZoomController() {
    worker_.reset();  // stopped and joined while the object its deliveries go to still stands
}

void ZoomController::showPage(const PreviewPage* page, ToneCurve curve) {
    worker_.reset();  // stopped and joined: nothing of the page before arrives after this
    ++generation_;
    cache_.clear();
    view_.reset();
    preview_.reset();
    maker_.reset();
    for (QImage& picture : pictures_) picture = QImage();
    if (page != nullptr && page->preview && page->tiles) {
        preview_ = page->preview;
        maker_ = page->tiles;
        view_.emplace(preview_->width, preview_->height, preview_->grid.side, maker_->tileBlocks());
        view_->resize(static_cast<std::uint32_t>(box_.width()), static_cast<std::uint32_t>(box_.height()));
        for (ViewTile& tile : tilesOfPreview(*preview_, maker_->tileBlocks())) cache_.insert(std::make_shared<const ViewTile>(std::move(tile)));
        // The worker's calls come on its thread; the signals hand them to this one's event loop,
        // where a delivery for a page left meanwhile is dropped.
        const std::uint64_t generation = generation_;
        worker_ = std::make_unique<TileWorker>(
            maker_, [this, generation](const std::shared_ptr<const ViewTile>& tile) { Q_EMIT tileMade(tile, generation); },
            [this, generation](const std::string& text) { Q_EMIT tileFailed(QString::fromStdString(text), generation); });
    }
    curve_ = curve;
    setCurve(curve);
}

void ZoomController::setCurve(ToneCurve curve) {
    curve_ = curve;
    if (preview_)
        for (int c = 0; c < 2; ++c) levels_[c] = toneLevels(preview_->channels[c].valueCounts, curve);
    viewMoved();
}

void ZoomController::resize(QSize box) {
    box_ = QSize(std::max(box.width(), 1), std::max(box.height(), 1));
    if (!view_) return;
    view_->resize(static_cast<std::uint32_t>(box_.width()), static_cast<std::uint32_t>(box_.height()));
    viewMoved();
}

void ZoomController::zoomIn(QPointF at) {
    if (view_ && view_->zoomIn(at.x(), at.y())) viewMoved();
}

void ZoomController::zoomOut(QPointF at) {
    if (view_ && view_->zoomOut(at.x(), at.y())) viewMoved();
}

void ZoomController::zoomToFit() {
    if (!view_) return;
    view_->zoomToFit();
    viewMoved();
}

void ZoomController::zoomToActualSize(QPointF at) {
    if (!view_) return;
    view_->zoomToActualSize(at.x(), at.y());
    viewMoved();
}

void ZoomController::panBy(QPointF by) {
    if (!view_) return;
    view_->panBy(by.x(), by.y());
    viewMoved();
}

void ZoomController::viewMoved() {
    requestTiles();
    scheduleRefresh();
    Q_EMIT viewChanged();
}

// Only the tiles the view shows and the cache lacks; what was wanted before and is not now is dropped.
void ZoomController::requestTiles() {
    if (!view_ || !worker_) return;
    std::vector<TileKey> wanted;
    for (const TileKey& key : view_->visibleTiles())
        if (!cache_.contains(key)) wanted.push_back(key);
    // Then, with nothing else to do, what one step in would show: a step in from fit would
    // otherwise read most of the scan before its picture is complete.
    for (const TileKey& key : view_->tilesAhead(aheadTiles))
        if (!cache_.contains(key)) wanted.push_back(key);
    worker_->want(wanted);
}

// Many wheel steps or a drag's moves in one turn of the event loop make one picture.
void ZoomController::scheduleRefresh() {
    if (!refresh_.isActive()) refresh_.start();
}

void ZoomController::refreshNow() {
    refresh_.stop();
    if (!view_) {
        missing_ = 0;
        Q_EMIT picturesChanged();
        return;
    }
    const ViewPictures pictures = viewPictures(*view_, cache_, levels_[0], levels_[1]);
    pictures_[0] = imageOf(pictures.channels[0]);
    pictures_[1] = imageOf(pictures.channels[1]);
    pictures_[2] = imageOf(pictures.composite);
    missing_ = pictures.missing;
    Q_EMIT picturesChanged();
}

void ZoomController::takeTile(std::shared_ptr<const ViewTile> tile) {
    if (!view_) return;
    const bool shown = tile->key.side == view_->scale().side;
    cache_.insert(std::move(tile));
    if (shown) scheduleRefresh();
}

QString ZoomController::statusAt(std::optional<QPointF> at) {
    if (!view_) return {};
    QString text = QString::fromStdString(scaleText(view_->scale(), view_->atFit()));
    if (at)
        if (const std::optional<PointValue> value = valueAt(*view_, cache_, at->x(), at->y(), preview_->pixelSizeX, preview_->pixelSizeY))
            text += QStringLiteral("   ") + QString::fromStdString(pointLine(*value));
    return text;
}

std::function<RgbImage(const std::atomic<bool>*)> ZoomController::currentViewJob(std::uint32_t longestSide) const {
    if (!view_ || !maker_) return {};
    return [maker = maker_, view = *view_, longestSide, red = levels_[0], green = levels_[1]](const std::atomic<bool>* stop) {
        return regionPicture(*maker, view, longestSide, red, green, stop);
    };
}

}  // namespace quillane
