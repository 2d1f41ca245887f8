#pragma once

#include <cstdint>

#include "picture/PixelRows.h"

// Told each time the picture is marked changed, so its control repaints.
class PictureListener {
public:
    virtual ~PictureListener() = default;
    virtual void PictureChanged() = 0;
};

// The working picture that the show distorts in place. Its rows are plain
// memory, addressed top row first.
class WorkPicture {
public:
    explicit WorkPicture(PictureListener* listener = nullptr,
                         PixelAllocator& allocator = HeapPixels())
        : m_listener(listener), m_pixels(allocator) {}

    // Where the picture's row storage comes from when it is loaded: the
    // storage it held before, when the layout is the same, else `allocator`.
    [[nodiscard]] PixelAllocator& Allocator() { return m_pixels; }
    // Readies storage for the next load of a picture of the same layout, so
    // that load touches no fresh memory. The picture itself is unchanged.
    void ReserveSpare() { m_pixels.Reserve(m_rows.layout); }

    [[nodiscard]] std::int32_t Width() const { return m_rows.Width(); }
    [[nodiscard]] std::int32_t Height() const { return m_rows.Height(); }
    [[nodiscard]] bool Empty() const { return m_rows.Empty(); }
    [[nodiscard]] const PixelRows& Rows() const { return m_rows; }
    // The rows to change in place, for the effects.
    [[nodiscard]] PixelRows& WritableRows() { return m_rows; }

    // The first byte of row r (top row 0); a row outside 0 ... H - 1 raises
    // the scan-line error.
    [[nodiscard]] std::uint8_t* Row(std::int32_t r);
    [[nodiscard]] const std::uint8_t* Row(std::int32_t r) const;

    // Takes over `rows` whole, replacing size and every pixel.
    void Replace(PixelRows rows);
    void MakeEmpty() { Replace(PixelRows{}); }

    // Marks the picture changed, as drawing it onto its own surface does; an
    // empty picture is not drawn, so nothing is marked.
    void RefreshPicture();
    // Marks the picture changed unconditionally, as a completed load does.
    void MarkChanged();

private:
    PictureListener* m_listener;
    SparePixels m_pixels;
    PixelRows m_rows;
};
