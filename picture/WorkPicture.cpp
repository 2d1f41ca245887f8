#include "picture/WorkPicture.h"

#include <utility>

#include "core/Messages.h"
#include "core/ShowError.h"

std::uint8_t* WorkPicture::Row(std::int32_t r) const {
    if (r < 0 || r >= m_rows.Height()) throw ShowError(std::string(messages::kScanLineOutOfRange));
    return m_rows.Row(r);
}

void WorkPicture::Replace(PixelRows rows) {
    PixelRows retired = std::exchange(m_rows, std::move(rows));
    m_pixels.Retire(retired.layout, std::move(retired.storage));
}

void WorkPicture::RefreshPicture() {
    if (!Empty()) MarkChanged();
}

void WorkPicture::MarkChanged() {
    if (m_listener != nullptr) m_listener->PictureChanged();
}
