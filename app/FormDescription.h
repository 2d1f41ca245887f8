#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/Handlers.h"

// The form description of TForm1: every object with its property values,
// applied once at creation in this order.

enum class Component : std::uint8_t { Form1, Image1, Timer1, Timer2 };

enum class Property : std::uint8_t {
    Left,
    Top,
    Width,
    Height,
    AutoSize,
    Color,
    FontCharset,
    FontColor,
    FontHeight,
    FontName,
    FontStyle,
    Icon,
    OnCreate,
    PixelsPerInch,
    TextHeight,
    Stretch,
    OnClick,
    Enabled,
    Interval,
    OnTimer,
};

enum class SystemColor : std::int32_t { WindowText = 8, ButtonFace = 15 };
enum class IconId : std::int32_t { Transparent16 = 1 };
inline constexpr std::int32_t kShiftJisCharset = 128;
inline constexpr std::int32_t kNoStyle = 0;

// Texts of the description, referred to by index.
// "ＭＳ Ｐゴシック"
inline constexpr std::array<std::string_view, 1> kDescriptionTexts = {
    "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e",
};
inline constexpr std::int32_t kWindowFontName = 0;

struct PropertyValue {
    Component component;
    Property property;
    std::int32_t value;
};

constexpr std::int32_t Handler(HandlerId id) { return static_cast<std::int32_t>(id); }

// clang-format off
inline constexpr std::array kForm1Description = {
    PropertyValue{Component::Form1,  Property::Left,          272},
    PropertyValue{Component::Form1,  Property::Top,           184},
    PropertyValue{Component::Form1,  Property::Width,         408},
    PropertyValue{Component::Form1,  Property::Height,        429},
    PropertyValue{Component::Form1,  Property::AutoSize,      1},
    PropertyValue{Component::Form1,  Property::Color,         static_cast<std::int32_t>(SystemColor::ButtonFace)},
    PropertyValue{Component::Form1,  Property::FontCharset,   kShiftJisCharset},
    PropertyValue{Component::Form1,  Property::FontColor,     static_cast<std::int32_t>(SystemColor::WindowText)},
    PropertyValue{Component::Form1,  Property::FontHeight,    -12},
    PropertyValue{Component::Form1,  Property::FontName,      kWindowFontName},
    PropertyValue{Component::Form1,  Property::FontStyle,     kNoStyle},
    PropertyValue{Component::Form1,  Property::Icon,          static_cast<std::int32_t>(IconId::Transparent16)},
    PropertyValue{Component::Form1,  Property::OnCreate,      Handler(HandlerId::FormCreate)},
    PropertyValue{Component::Form1,  Property::PixelsPerInch, 96},
    PropertyValue{Component::Form1,  Property::TextHeight,    12},
    PropertyValue{Component::Image1, Property::Left,          0},
    PropertyValue{Component::Image1, Property::Top,           0},
    PropertyValue{Component::Image1, Property::Width,         400},
    PropertyValue{Component::Image1, Property::Height,        400},
    PropertyValue{Component::Image1, Property::Stretch,       1},
    PropertyValue{Component::Image1, Property::OnClick,       Handler(HandlerId::Image1Click)},
    PropertyValue{Component::Timer1, Property::Enabled,       0},
    PropertyValue{Component::Timer1, Property::Interval,      3000},
    PropertyValue{Component::Timer1, Property::OnTimer,       Handler(HandlerId::Timer1Timer)},
    PropertyValue{Component::Timer1, Property::Left,          8},
    PropertyValue{Component::Timer1, Property::Top,           8},
    // The interval comes before the handler, so the flicker starts once, at 300 ms.
    PropertyValue{Component::Timer2, Property::Interval,      300},
    PropertyValue{Component::Timer2, Property::OnTimer,       Handler(HandlerId::Timer2Timer)},
    PropertyValue{Component::Timer2, Property::Left,          40},
    PropertyValue{Component::Timer2, Property::Top,           8},
};
// clang-format on
