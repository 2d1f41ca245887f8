#include "tools/replay/Frames.h"

#include "picture/BmpWriter.h"
#include "platform/WindowRules.h"

void PictureArea::Paint(const FormView& form) {
    m_image.Paint(form, FittedClientSize(form, form.ClientSize()),
                  StandardSystemColor(form.Color()));
}

bool PictureArea::WriteBmp(const std::filesystem::path& file) const {
    const std::uint8_t* pixels = m_image.Pixels().data();
    const std::size_t stride = m_image.Stride();
    return WriteFileBytes(
        file, EncodeBmp24(m_image.Area().width, m_image.Area().height, [&](std::int32_t y) {
            return pixels + static_cast<std::size_t>(y) * stride;
        }));
}
