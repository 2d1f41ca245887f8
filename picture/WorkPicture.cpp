#include "picture/WorkPicture.h"

#include <utility>

#include "core/Messages.h"
#include "core/ShowError.h"

namespace {
void CheckRow(std::int32_t r, std::int32_t height) {
    if (r < 0 || r >= height) throw ShowError(std::string(messages::kScanLineOutOfRange));
}
}  // namespace

std::uint8_t* WorkPicture::Row(std::int32_t r) {
    CheckRow(r, m_rows.Height());
    return m_rows.Row(r);
}

const std::uint8_t* WorkPicture::Row(std::int32_t r) const {
    CheckRow(r, m_rows.Height());
    return m_rows.Row(r);
}

void WorkPicture::Replace(PixelRows rows) {
    PixelRows retired = std::exchange(m_rows, std::move(rows));
    m_pixels.Retire(retired.layout, retired.TakeStorage());
}

void WorkPicture::RefreshPicture() {
    if (!Empty()) MarkChanged();
}

void WorkPicture::MarkChanged() {
    if (m_listener != nullptr) m_listener->PictureChanged();
}
