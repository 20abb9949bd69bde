#include "qt/ZoomPane.h"

#include "qt/ZoomController.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace quillane {

ZoomPane::ZoomPane(ZoomController& controller, int picture, QWidget* parent)
    : QWidget(parent), controller_(controller), picture_(picture) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::OpenHandCursor);
    connect(&controller_, &ZoomController::picturesChanged, this, qOverload<>(&QWidget::update));
}

void ZoomPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage& picture = controller_.picture(picture_);
    if (!picture.isNull()) painter.drawImage(QPoint(0, 0), picture);
    if (hasFocus()) {  // which pane the keys go to; all three move together
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ZoomPane::resizeEvent(QResizeEvent* event) {
    controller_.resize(size());
    QWidget::resizeEvent(event);
}

void ZoomPane::wheelEvent(QWheelEvent* event) {
    // A notch a step; a touchpad's small deltas add up to one.
    wheelSteps_ += event->angleDelta().y();
    for (; wheelSteps_ >= 120; wheelSteps_ -= 120) controller_.zoomIn(event->position());
    for (; wheelSteps_ <= -120; wheelSteps_ += 120) controller_.zoomOut(event->position());
    Q_EMIT pointerMoved(event->position());
    event->accept();
}

void ZoomPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    dragFrom_ = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void ZoomPane::mouseMoveEvent(QMouseEvent* event) {
    if (dragFrom_) {
        controller_.panBy(event->position() - *dragFrom_);
        dragFrom_ = event->position();
    }
    Q_EMIT pointerMoved(event->position());
}

void ZoomPane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    dragFrom_.reset();
    setCursor(Qt::OpenHandCursor);
}

void ZoomPane::leaveEvent(QEvent* event) {
    Q_EMIT pointerMoved(std::nullopt);
    QWidget::leaveEvent(event);
}

void ZoomPane::keyPressEvent(QKeyEvent* event) {
    const QPointF middle(width() / 2.0, height() / 2.0);
    const double step = std::max(width(), height()) / 8.0;  // an arrow moves the picture an eighth of the pane
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: controller_.zoomIn(middle); break;
    case Qt::Key_Minus: controller_.zoomOut(middle); break;
    case Qt::Key_0: controller_.zoomToFit(); break;
    case Qt::Key_1: controller_.zoomToActualSize(middle); break;
    case Qt::Key_Left: controller_.panBy({step, 0}); break;
    case Qt::Key_Right: controller_.panBy({-step, 0}); break;
    case Qt::Key_Up: controller_.panBy({0, step}); break;
    case Qt::Key_Down: controller_.panBy({0, -step}); break;
    default: return QWidget::keyPressEvent(event);
    }
    event->accept();
}

}  // namespace quillane
