#include "platform/qt/NearestStretch.h"

#include <cstdint>

#include "picture/NearestPixels.h"
#include "picture/PixelRows.h"

const QImage& NearestStretch::Draw(const PixelRows& rows, QSize size) {
    const int width = size.width();
    const int height = size.height();
    if (m_area.size() != size) m_area = QImage(size, QImage::Format_RGB32);
    m_source_x.resize(static_cast<std::size_t>(width));
    NearestColumnOffsets(rows, m_source_x);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = NearestRow(rows, y, height);
        auto* dst = reinterpret_cast<QRgb*>(m_area.scanLine(y));
        for (std::size_t x = 0; x < m_source_x.size(); ++x) {
            const std::uint8_t* p = src + m_source_x[x];  // blue, green, red
            dst[x] = qRgb(p[2], p[1], p[0]);
        }
    }
    return m_area;
}
