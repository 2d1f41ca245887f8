#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "app/Handlers.h"
#include "platform/FormView.h"
#include "platform/Geometry.h"

// The form description of TForm1: the window and its components with their
// property values, applied once at creation (TForm1's constructor), in the
// order of the fields below. A value left out keeps the component's default.

inline constexpr std::uint8_t kShiftJisCharset = 128;

struct FormDescription {
    struct FormValues {
        Bounds bounds;  // position and outer size as designed
        bool auto_size;
        SystemColor color;
        std::uint8_t font_charset;
        std::int32_t font_height;    // negative: character height in pixels
        std::string_view font_face;  // code page 932
        IconId icon;
        HandlerId on_create;
        std::int32_t pixels_per_inch;  // the display setting the layout was made at
        std::int32_t text_height;      // the height of "0" in the font, then
    };
    struct ImageValues {
        Bounds bounds;
        bool stretch;
        HandlerId on_click;
    };
    struct TimerValues {
        std::optional<bool> enabled;
        std::uint32_t interval_ms;
        HandlerId on_timer;
    };

    FormValues form1;
    ImageValues image1;
    // Each timer takes Enabled, then Interval, then its handler; so the
    // flicker timer starts once, at 300 ms.
    TimerValues timer1;
    TimerValues timer2;
};

inline constexpr FormDescription kForm1Description = {
    .form1 =
        {
            .bounds = {272, 184, 408, 429},
            .auto_size = true,
            .color = SystemColor::ButtonFace,
            .font_charset = kShiftJisCharset,
            .font_height = -12,
            // "ＭＳ Ｐゴシック"
            .font_face = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e",
            .icon = IconId::Transparent16,
            .on_create = HandlerId::FormCreate,
            .pixels_per_inch = 96,
            .text_height = 12,
        },
    .image1 =
        {
            .bounds = {0, 0, 400, 400},
            .stretch = true,
            .on_click = HandlerId::Image1Click,
        },
    .timer1 =
        {
            .enabled = false,
            .interval_ms = 3000,
            .on_timer = HandlerId::Timer1Timer,
        },
    .timer2 =
        {
            .enabled = std::nullopt,
            .interval_ms = 300,
            .on_timer = HandlerId::Timer2Timer,
        },
};

// Every backend draws the picture stretched over the control.
static_assert(kForm1Description.image1.stretch);
