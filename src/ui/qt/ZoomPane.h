#pragma once

#include <QPointF>
#include <QWidget>

#include <optional>

namespace quillane {

class ZoomController;

// One of the preview's three pictures (0 red, 1 green, 2 the composite), drawn from the view
// the panes share. The wheel zooms at the pointer, a drag pans, and the keys + and − zoom at the
// middle, 0 fits the scan, 1 shows it sample for sample, the arrows pan.
class ZoomPane : public QWidget {
    Q_OBJECT
public:
    ZoomPane(ZoomController& controller, int picture, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {320, 320}; }
    QSize minimumSizeHint() const override { return {120, 120}; }

Q_SIGNALS:
    // The pointer moved over the pane (a position in it) or left it (none).
    void pointerMoved(std::optional<QPointF> at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ZoomController& controller_;
    int picture_;
    std::optional<QPointF> dragFrom_;
    int wheelSteps_ = 0;  // in eighths of a degree, as a mouse wheel's notch gives 120
};

}  // namespace quillane
