#pragma once

// The picture stretched to an area by nearest pixel (picture/NearestPixels.h),
// read straight from its rows into one area-sized image.

#include <QImage>
#include <QSize>
#include <cstddef>
#include <vector>

class PixelRows;

class NearestStretch {
public:
    // The picture's rows (not empty) drawn over `size`; valid until the next call.
    const QImage& Draw(const PixelRows& rows, QSize size);

private:
    QImage m_area;
    std::vector<std::size_t> m_source_x;  // byte offset in a row for each column
};
