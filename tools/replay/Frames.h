#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

class WorkPicture;

// What the 400 x 400 picture area shows: the picture stretched over it by
// nearest pixel, the button-face colour where nothing is painted.
class PictureArea {
public:
    static constexpr int kSide = 400;

    PictureArea();
    // Paints the area anew from `picture` (none or empty: button face).
    void Paint(const WorkPicture* picture);
    // Writes the area as a 24-bit bitmap file; false on failure.
    [[nodiscard]] bool WriteBmp(const std::filesystem::path& file) const;
    // The area's pixels: kSide rows of kSide blue, green, red triples, top row first.
    [[nodiscard]] std::span<const std::uint8_t> Bgr() const { return m_rows; }

private:
    std::vector<std::uint8_t> m_rows;  // top row first, blue green red
};
