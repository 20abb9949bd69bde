#pragma once

#include "app/PreviewWindow.h"
#include "preview/TileCache.h"
#include "preview/TileWorker.h"
#include "preview/ViewPicture.h"
#include "preview/ZoomView.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace quillane {

// The zoomed view of one preview page that the three picture panes share: one ZoomView for
// all, tiles made on a TileWorker's thread and handed to the window's thread by a queued call,
// the panes' pictures made again once they arrive. Positions are a pane's pixels.
class ZoomController : public QObject {
    Q_OBJECT
public:
    explicit ZoomController(QObject* parent = nullptr);
    ~ZoomController() override;

    // A new page (or none): the fit view at once from the page's own blocks.
    void showPage(const PreviewPage* page, ToneCurve curve);
    void setCurve(ToneCurve curve);
    void resize(QSize box);

    void zoomIn(QPointF at);
    void zoomOut(QPointF at);
    void zoomToFit();
    void zoomToActualSize(QPointF at);
    void panBy(QPointF by);
    // Makes the pictures again now, not at the next turn of the event loop.
    void refreshNow();

    bool hasView() const { return view_.has_value(); }
    const ZoomView* view() const { return view_ ? &*view_ : nullptr; }
    // Pane 0 red, 1 green, 2 the composite; null before a page.
    const QImage& picture(int pane) const { return pictures_[pane]; }
    // The status line's text for the pointer at `at`, or the view's scale alone without it.
    QString statusAt(std::optional<QPointF> at);
    // Tiles the view still waits for.
    std::size_t missingTiles() const { return missing_; }
    // The work that makes the composite of what the view shows now, at most `longestSide` pixels
    // along its longer side, from the scan: everything it needs copied, for another thread.
    std::function<RgbImage(const std::atomic<bool>*)> currentViewJob(std::uint32_t longestSide) const;

Q_SIGNALS:
    // The pictures changed: the panes repaint.
    void picturesChanged();
    // The view's scale or position changed.
    void viewChanged();
    // A tile could not be made (the scan changed meanwhile, a read failed).
    void failed(const QString& text);
    // From the worker's thread to this one's: a tile made, or why it could not be, for the
    // page of `generation`.
    void tileMade(const std::shared_ptr<const ViewTile>& tile, quint64 generation);
    void tileFailed(const QString& text, quint64 generation);

private:
    void viewMoved();
    void requestTiles();
    void scheduleRefresh();
    void takeTile(std::shared_ptr<const ViewTile> tile);

    std::shared_ptr<const ScanPreview> preview_;
    std::shared_ptr<const TileMaker> maker_;
    std::optional<ZoomView> view_;
    TileCache cache_;
    std::unique_ptr<TileWorker> worker_;
    ToneCurve curve_ = ToneCurve::linear;
    ToneLevels levels_[2];
    QSize box_{1, 1};
    QImage pictures_[3];
    std::size_t missing_ = 0;
    QTimer refresh_;  // the next turn of the event loop, when the pictures are to be made again
    quint64 generation_ = 0;  // the page the worker's deliveries belong to
};

}  // namespace quillane
