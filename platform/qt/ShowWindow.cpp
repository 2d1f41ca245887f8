#include "platform/qt/ShowWindow.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <span>
#include <utility>

#include "platform/ClientArea.h"

namespace {

constexpr std::size_t Index(TimerId id) { return static_cast<std::size_t>(id); }

MouseButton ButtonOf(const QMouseEvent* event) {
    switch (event->button()) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        case Qt::MiddleButton:
            return MouseButton::Middle;
        default:
            return MouseButton::Other;
    }
}

QSize ToQSize(Size size) { return {size.width, size.height}; }

}  // namespace

ShowWindow::ShowWindow() {
    // Every pixel is painted by paintEvent.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void ShowWindow::Attach(const FormView& form, PlatformEvents& events) {
    m_form = &form;
    m_events = &events;
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

void ShowWindow::HoldFittedSize() {
    if (m_form == nullptr) return;
    m_fitting = true;
    const QSize fitted = ToQSize(FittedClientSize(*m_form, Size{width(), height()}));
    if (m_form->AutoSize()) {
        setFixedSize(fitted);
    } else {
        resize(fitted);
    }
}

QColor ShowWindow::FormColor() const {
    const SystemColor color = m_form != nullptr ? m_form->Color() : SystemColor::ButtonFace;
    return palette().color(color == SystemColor::WindowText ? QPalette::WindowText
                                                            : QPalette::Button);
}

void ShowWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QColor fill = FormColor();
    if (m_form == nullptr) {
        painter.fillRect(rect(), fill);
    } else {
        if (m_area.size() != size()) m_area = QImage(size(), QImage::Format_RGB32);
        PaintClientArea(
            *m_form, Size{width(), height()},
            Rgb{static_cast<std::uint8_t>(fill.red()), static_cast<std::uint8_t>(fill.green()),
                static_cast<std::uint8_t>(fill.blue())},
            PixelOrder::Bgrx32,
            std::span(m_area.bits(), static_cast<std::size_t>(m_area.sizeInBytes())),
            static_cast<std::size_t>(m_area.bytesPerLine()));
        painter.drawImage(0, 0, m_area);
    }
    if (m_on_painted) std::exchange(m_on_painted, nullptr)();
}

void ShowWindow::mousePressEvent(QMouseEvent* event) { m_clicks.Press(ButtonOf(event)); }

void ShowWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (m_form == nullptr || m_events == nullptr) return;
    const QPoint at = event->position().toPoint();
    if (m_clicks.Release(ButtonOf(event), *m_form, at.x(), at.y())) m_events->OnImageClick();
}

// NOTE: QWidget's default turns the second press of a double click into a
// press; it must not start a click.
void ShowWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    m_clicks.DoublePress(ButtonOf(event));
}

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
    if (!m_fitting || m_form == nullptr) return;
    const QSize fitted = ToQSize(FittedClientSize(*m_form, Size{width(), height()}));
    if (size() == fitted) return;
    QMetaObject::invokeMethod(
        this, [this, fitted] { resize(fitted); }, Qt::QueuedConnection);
}

void ShowWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    QCoreApplication::quit();
}
