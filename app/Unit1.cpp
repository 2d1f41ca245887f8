#include "app/Unit1.h"

#include <utility>

#include "app/FormDescription.h"
#include "app/Layout.h"
#include "picture/Effects.h"
#include "picture/PictureFile.h"
#include "show/FlickerTick.h"
#include "show/ShowSequence.h"

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
    const FormDescription& d = kForm1Description;
    m_bounds = d.form1.bounds;
    m_auto_size = d.form1.auto_size;
    m_color = d.form1.color;
    m_font = FontSpec{d.form1.font_height, d.form1.font_charset, d.form1.font_face};
    m_icon = d.form1.icon;
    m_on_create = d.form1.on_create;
    m_pixels_per_inch = d.form1.pixels_per_inch;
    m_text_height = d.form1.text_height;

    Image1.bounds = d.image1.bounds;
    Image1.on_click = d.image1.on_click;

    // Each assignment may start its timer; one refused escapes from here.
    const auto apply = [](Timer& timer, const FormDescription::TimerValues& values) {
        if (values.enabled) timer.SetEnabled(*values.enabled);
        timer.SetInterval(values.interval_ms);
        timer.SetOnTimer(values.on_timer);
    };
    apply(Timer1, d.timer1);
    apply(Timer2, d.timer2);
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

void TForm1::Image1Click() { StartShow(*this); }

void TForm1::Timer1Timer() {
    StepCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(StepCount) + 1u);
    RunStep(StepCount, *this, m_random);
}

void TForm1::Timer2Timer() { FlickerTick(StepCount, *this, m_random); }

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

void TForm1::NoiseBitmap(RandomSource& random) {
    if (WorkBitmap == nullptr) return;
    AddRowNoise(*WorkBitmap, random);
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

const PixelRows* TForm1::Picture() const {
    return Image1.picture ? &Image1.picture->Rows() : nullptr;
}

void TForm1::PictureChanged() { m_platform.RequestRepaint(); }
