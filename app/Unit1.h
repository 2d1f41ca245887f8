#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/HandlerRunner.h"
#include "app/Timer.h"
#include "core/RandomSource.h"
#include "picture/WorkPicture.h"
#include "platform/FormView.h"
#include "platform/Platform.h"
#include "show/ShowTarget.h"

// The picture control: shows its picture stretched over its bounds and
// delivers clicks.
struct TImage {
    Bounds bounds;
    std::optional<HandlerId> on_click;
    // The picture object's bitmap; none until FormCreate gives it one.
    std::unique_ptr<WorkPicture> picture;
};

// The main window and all the show's state. Constructing it applies the form
// description and scales the layout; a timer refused while the description is
// applied escapes the constructor. RunOnCreate then runs FormCreate. Backends
// see it only through View(); the show's rules act on it as their target.
class TForm1 final : public PlatformEvents,
                     private FormView,
                     private ShowTarget,
                     private PictureListener {
public:
    TForm1(Platform& platform, HandlerRunner& runner);

    // Runs the creation handler, once, right after construction.
    void RunOnCreate();

    void OnImageClick() override;
    void OnTimer(TimerId id) override;

    [[nodiscard]] const FormView& View() const { return *this; }

    // The window as the description and the layout scaling left it.
    [[nodiscard]] Bounds StoredBounds() const override { return m_bounds; }
    [[nodiscard]] std::int32_t ClientWidth() const { return Image1.bounds.Right(); }
    [[nodiscard]] std::int32_t ClientHeight() const { return Image1.bounds.Bottom(); }
    [[nodiscard]] const FontSpec& Font() const { return m_font; }
    [[nodiscard]] std::string_view Caption() const override { return m_caption; }
    [[nodiscard]] const WorkPicture* WorkBitmapOrNull() const { return WorkBitmap; }
    [[nodiscard]] std::int32_t CurrentStepCount() const { return StepCount; }
    [[nodiscard]] RandomSource& Random() { return m_random; }

    TImage Image1;
    Timer Timer1;
    Timer Timer2;

private:
    void FormCreate();
    void Image1Click();
    void Timer1Timer();
    void Timer2Timer();

    // ShowTarget
    void EnableStepTimer() override { Timer1.SetEnabled(true); }
    void SetFlickerInterval(std::uint32_t interval_ms) override { Timer2.SetInterval(interval_ms); }
    void SendMusicCommand(std::string_view command) override {
        m_platform.SendMusicCommand(command);
    }
    void OrBitmap(std::uint8_t value) override;
    void XorBitmap(std::uint8_t value) override;
    void NoiseBitmap(RandomSource& random) override;
    void ReloadWorkBitmap() override;
    void SetCaption(std::string caption) override;

    // FormView
    [[nodiscard]] Size ClientSize() const override { return {ClientWidth(), ClientHeight()}; }
    [[nodiscard]] bool AutoSize() const override { return m_auto_size; }
    [[nodiscard]] SystemColor Color() const override { return m_color; }
    [[nodiscard]] IconId Icon() const override { return m_icon; }
    [[nodiscard]] Bounds PictureBounds() const override { return Image1.bounds; }
    [[nodiscard]] const PixelRows* Picture() const override;

    void ApplyDescription();
    void ScaleLayout();
    void Invoke(HandlerId id);
    void PictureChanged() override;

    Platform& m_platform;
    HandlerRunner& m_runner;
    RandomSource m_random;
    Bounds m_bounds;
    bool m_auto_size = false;
    SystemColor m_color = SystemColor::ButtonFace;
    IconId m_icon = IconId::Transparent16;
    FontSpec m_font;
    std::int32_t m_pixels_per_inch = 96;
    std::int32_t m_text_height = 12;
    std::optional<HandlerId> m_on_create;
    std::string m_caption;

    WorkPicture* WorkBitmap = nullptr;
    std::int32_t StepCount = 0;
};
