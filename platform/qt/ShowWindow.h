#pragma once

// The show's main window on Qt Widgets.
//  [X] Painting: the picture stretched over Image1's bounds by nearest pixel,
//      read straight from its rows; the palette's button colour elsewhere and
//      wherever the picture is missing or empty.
//  [X] Clicks: a left press then a left release inside Image1; the second
//      press of a double click and other buttons are no clicks.
//  [X] Timers: precise Qt timers, one per timer component.
//  [X] Size: held at the fitted client size once shown.
//  [X] Closing the window ends the event loop.

#include <QSize>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "platform/Platform.h"
#include "platform/qt/NearestStretch.h"

struct TImage;

class ShowWindow final : public QWidget {
public:
    ShowWindow();

    // Where events go and what is painted; until then ticks and clicks are
    // dropped and the area stays blank.
    void Attach(PlatformEvents& events, const TImage& image);

    [[nodiscard]] bool StartTimer(TimerId id, std::uint32_t interval_ms);
    void StopTimer(TimerId id);

    // Fixes the client area at `size` from now on.
    void HoldSize(QSize size);
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
    [[nodiscard]] QRect ImageRect() const;

    PlatformEvents* m_events = nullptr;
    const TImage* m_image = nullptr;
    std::array<int, 2> m_timers{};             // Qt's timer ids; 0 while stopped
    std::array<std::uint64_t, 2> m_periods{};  // counts each timer's starts and stops
    bool m_left_pressed = false;
    QSize m_held;
    NearestStretch m_stretch;
    std::function<void()> m_on_painted;
};
