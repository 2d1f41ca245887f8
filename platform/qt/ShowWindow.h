#pragma once

// The show's main window on Qt Widgets.
//  [X] Painting: the picture stretched over its destination by nearest
//      pixel, read straight from its rows; the form's colour elsewhere and
//      wherever the picture is missing or empty.
//  [X] Clicks: the click rule of platform/WindowRules.h.
//  [X] Timers: precise Qt timers, one per timer component.
//  [X] Size: held at the fitted client size once shown.
//  [X] Closing the window ends the event loop.

#include <QColor>
#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "platform/FormView.h"
#include "platform/Platform.h"
#include "platform/WindowRules.h"

class ShowWindow final : public QWidget {
public:
    ShowWindow();

    // What is painted and where events go; until then ticks and clicks are
    // dropped and the area stays blank.
    void Attach(const FormView& form, PlatformEvents& events);

    [[nodiscard]] bool StartTimer(TimerId id, std::uint32_t interval_ms);
    void StopTimer(TimerId id);

    // Fits the client area to the form from now on.
    void HoldFittedSize();
    // Called once, when the window has first been painted.
    void OnFirstPaint(std::function<void()> painted) { m_on_painted = std::move(painted); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    [[nodiscard]] QColor FormColor() const;

    const FormView* m_form = nullptr;
    PlatformEvents* m_events = nullptr;
    std::array<int, 2> m_timers{};             // Qt's timer ids; 0 while stopped
    std::array<std::uint64_t, 2> m_periods{};  // counts each timer's starts and stops
    ClickRule m_clicks;
    bool m_fitting = false;
    QImage m_area;  // the client area as last painted
    std::function<void()> m_on_painted;
};
