#include "app/Unit1.h"

#include <utility>

#include "app/FormDescription.h"
#include "picture/Effects.h"
#include "picture/PictureFile.h"

TForm1::TForm1(Platform& platform, HandlerRunner& runner)
    : Timer1(platform, TimerId::Timer1),
      Timer2(platform, TimerId::Timer2),
      m_platform(platform),
      m_runner(runner) {
    ApplyDescription();
    ScaleLayout();
}

void TForm1::RunOnCreate() {
    if (m_on_create) Invoke(*m_on_create);
}

void TForm1::ApplyDescription() {
    auto handler = [](std::int32_t v) { return std::optional(static_cast<HandlerId>(v)); };
    for (const PropertyValue& p : kForm1Description) {
        const std::int32_t v = p.value;
        switch (p.component) {
            case Component::Form1:
                switch (p.property) {
                    case Property::Left:
                        m_bounds.left = v;
                        break;
                    case Property::Top:
                        m_bounds.top = v;
                        break;
                    case Property::Width:
                        m_bounds.width = v;
                        break;
                    case Property::Height:
                        m_bounds.height = v;
                        break;
                    case Property::AutoSize:
                        m_auto_size = v != 0;
                        break;
                    case Property::FontCharset:
                        m_font.charset = static_cast<std::uint8_t>(v);
                        break;
                    case Property::FontHeight:
                        m_font.height = v;
                        break;
                    case Property::FontName:
                        m_font.face = kDescriptionTexts.at(static_cast<std::size_t>(v));
                        break;
                    case Property::OnCreate:
                        m_on_create = handler(v);
                        break;
                    case Property::PixelsPerInch:
                        m_pixels_per_inch = v;
                        break;
                    case Property::TextHeight:
                        m_text_height = v;
                        break;
                    // The colour, icon, font colour and style are the backends' to show.
                    default:
                        break;
                }
                break;
            case Component::Image1:
                switch (p.property) {
                    case Property::Left:
                        Image1.bounds.left = v;
                        break;
                    case Property::Top:
                        Image1.bounds.top = v;
                        break;
                    case Property::Width:
                        Image1.bounds.width = v;
                        break;
                    case Property::Height:
                        Image1.bounds.height = v;
                        break;
                    case Property::Stretch:
                        Image1.stretch = v != 0;
                        break;
                    case Property::OnClick:
                        Image1.on_click = handler(v);
                        break;
                    default:
                        break;
                }
                break;
            case Component::Timer1:
            case Component::Timer2: {
                Timer& timer = p.component == Component::Timer1 ? Timer1 : Timer2;
                switch (p.property) {
                    case Property::Enabled:
                        timer.SetEnabled(v != 0);
                        break;
                    case Property::Interval:
                        timer.SetInterval(static_cast<std::uint32_t>(v));
                        break;
                    case Property::OnTimer:
                        timer.SetOnTimer(handler(v));
                        break;
                    // A timer's design-time position has no effect at run time.
                    default:
                        break;
                }
                break;
            }
        }
    }
}

void TForm1::ScaleLayout() {
    const int ppi = m_platform.PixelsPerInch();
    if (ppi != m_pixels_per_inch) m_font.height = MulDiv(m_font.height, ppi, m_pixels_per_inch);
    const int m = m_platform.MeasureTextHeight(m_font);
    if (m != m_text_height) Image1.bounds = ScaleBounds(Image1.bounds, m, m_text_height);
}

void TForm1::Invoke(HandlerId id) {
    m_runner.Run(id, [this, id] {
        switch (id) {
            case HandlerId::FormCreate:
                FormCreate();
                break;
            case HandlerId::Image1Click:
                Image1Click();
                break;
            case HandlerId::Timer1Timer:
                Timer1Timer();
                break;
            case HandlerId::Timer2Timer:
                Timer2Timer();
                break;
        }
    });
}

void TForm1::OnImageClick() {
    if (Image1.on_click) Invoke(*Image1.on_click);
}

void TForm1::OnTimer(TimerId id) {
    const Timer& timer = id == TimerId::Timer1 ? Timer1 : Timer2;
    if (timer.OnTimer()) Invoke(*timer.OnTimer());
}

void TForm1::FormCreate() {
    m_random.SeedFromClock(m_platform.UtcTimeOfDay());
    Image1.picture =
        std::make_unique<WorkPicture>(static_cast<PictureListener*>(this), m_platform.Pixels());
    ReloadPicture(*Image1.picture);
    // The show reloads the picture twice; with storage ready the reloads
    // fault in no fresh memory while the flicker runs.
    Image1.picture->ReserveSpare();
    WorkBitmap = Image1.picture.get();
    StepCount = 0;
}

// With no picture loaded at start-up, WorkBitmap stays unset and every
// picture operation is skipped as if the picture were empty.
void TForm1::OrBitmap(std::uint8_t value) {
    if (WorkBitmap == nullptr) return;
    OrRows(*WorkBitmap, value);
    WorkBitmap->RefreshPicture();
}

void TForm1::XorBitmap(std::uint8_t value) {
    if (WorkBitmap == nullptr) return;
    XorRows(*WorkBitmap, value);
    WorkBitmap->RefreshPicture();
}

void TForm1::ReloadWorkBitmap() {
    if (WorkBitmap != nullptr) ReloadPicture(*WorkBitmap);
}

void TForm1::SetCaption(std::string caption) {
    if (caption == m_caption) return;
    m_caption = std::move(caption);
    m_platform.SetTitle(m_caption);
}

void TForm1::PictureChanged() { m_platform.RequestRepaint(); }
