#include "platform/qt/ShowWindow.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <utility>

#include "app/Unit1.h"

namespace {
constexpr std::size_t Index(TimerId id) { return static_cast<std::size_t>(id); }
}  // namespace

ShowWindow::ShowWindow() {
    // Every pixel is painted by paintEvent.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void ShowWindow::Attach(PlatformEvents& events, const TImage& image) {
    m_events = &events;
    m_image = &image;
}

bool ShowWindow::StartTimer(TimerId id, std::uint32_t interval_ms) {
    StopTimer(id);
    if (interval_ms > static_cast<std::uint32_t>(INT32_MAX)) return false;
    // NOTE: coarse timers may fire up to 5% late, which would slow the show.
    m_timers[Index(id)] = startTimer(static_cast<int>(interval_ms), Qt::PreciseTimer);
    return m_timers[Index(id)] != 0;
}

void ShowWindow::StopTimer(TimerId id) {
    ++m_periods[Index(id)];
    int& qt_id = m_timers[Index(id)];
    if (qt_id != 0) killTimer(qt_id);
    qt_id = 0;
}

void ShowWindow::HoldSize(QSize size) {
    m_held = size;
    setFixedSize(size);
}

QRect ShowWindow::ImageRect() const {
    if (m_image == nullptr) return {};
    const Bounds& b = m_image->bounds;
    return {b.left, b.top, b.width, b.height};
}

void ShowWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QColor button_face = palette().color(QPalette::Button);
    const QRect area = ImageRect();
    const WorkPicture* picture = m_image != nullptr ? m_image->picture.get() : nullptr;
    if (picture == nullptr || picture->Empty() || area.isEmpty()) {
        painter.fillRect(rect(), button_face);
    } else {
        painter.drawImage(area.topLeft(), m_stretch.Draw(*picture, area.size()));
        const QRegion rest = QRegion(rect()).subtracted(QRegion(area));
        for (const QRect& r : rest) painter.fillRect(r, button_face);
    }
    if (m_on_painted) std::exchange(m_on_painted, nullptr)();
}

void ShowWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_left_pressed = true;
}

void ShowWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_left_pressed) return;
    m_left_pressed = false;
    if (m_events != nullptr && ImageRect().contains(event->position().toPoint())) {
        m_events->OnImageClick();
    }
}

// NOTE: QWidget's default turns the second press of a double click into a
// press; it must not start a click.
void ShowWindow::mouseDoubleClickEvent(QMouseEvent* /*event*/) { m_left_pressed = false; }

// NOTE: Qt does not fire a timer again while its timerEvent runs, and an
// error box opened by the tick's handler would hold it there. So the handler
// runs from the event queue; a tick whose timer has been restarted or stopped
// since is dropped.
void ShowWindow::timerEvent(QTimerEvent* event) {
    for (std::size_t i = 0; i < m_timers.size(); ++i) {
        if (m_timers[i] == 0 || m_timers[i] != event->timerId()) continue;
        const std::uint64_t period = m_periods[i];
        QMetaObject::invokeMethod(
            this,
            [this, i, period] {
                if (m_events != nullptr && m_periods[i] == period) {
                    m_events->OnTimer(static_cast<TimerId>(i));
                }
            },
            Qt::QueuedConnection);
        return;
    }
}

// The window system may impose a size of its own (a maximise, a resize by
// another client); the window then asks for the fitted size again.
void ShowWindow::resizeEvent(QResizeEvent* /*event*/) {
    if (!m_held.isValid() || size() == m_held) return;
    QMetaObject::invokeMethod(
        this, [this] { resize(m_held); }, Qt::QueuedConnection);
}

void ShowWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    QCoreApplication::quit();
}
