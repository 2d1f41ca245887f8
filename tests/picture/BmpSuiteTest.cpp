// The loader against the public conformance suite beside the tree: good files
// load to their reference pictures, questionable ones as decided (see
// picture/BmpFormats.md), bad ones load or raise the loader's errors.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/Messages.h"
#include "core/ShowError.h"
#include "picture/BmpLoader.h"
#include "picture/ByteSource.h"

namespace {

const std::filesystem::path kSuite = SHOW_BMPSUITE_DIR;

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// "WxH:crc" over the rows' runs top row first, as replay prints it, or the
// error raised; anything but ShowError escapes and fails the test.
std::string Outcome(const std::string& relative, PixelAllocator& allocator = HeapPixels()) {
    FileSource source;
    if (!source.Open((kSuite / relative).string())) return "cannot open";
    try {
        auto rows = LoadBmp(source, allocator);
        if (!rows) return "empty";
        std::uint32_t crc = 0;
        for (std::int32_t r = 0; r < rows->Height(); ++r) {
            crc = Crc32(crc, rows->Row(r), rows->RunLength());
        }
        char text[64];
        std::snprintf(text, sizeof text, "%dx%d:%08x", rows->Width(), rows->Height(), crc);
        return text;
    } catch (const ShowError& e) {
        if (e.what() == std::string(messages::kInvalidBitmap)) return "invalid";
        if (e.what() == std::string(messages::kReadError)) return "read";
        return std::string("other error ") + e.what();
    }
}

using Row = std::map<std::string, std::string>;

std::vector<Row> Manifest() {
    std::ifstream in(kSuite / "MANIFEST.tsv");
    std::vector<Row> rows;
    std::string line;
    std::vector<std::string> head;
    auto split = [](const std::string& text) {
        std::vector<std::string> fields;
        std::stringstream ss(text);
        for (std::string f; std::getline(ss, f, '\t');) fields.push_back(f);
        return fields;
    };
    if (std::getline(in, line)) head = split(line);
    while (std::getline(in, line)) {
        auto fields = split(line);
        Row row;
        for (std::size_t i = 0; i < head.size() && i < fields.size(); ++i) row[head[i]] = fields[i];
        rows.push_back(row);
    }
    return rows;
}

class BmpSuite : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSuite / "MANIFEST.tsv")) {
            GTEST_SKIP() << "no conformance suite at " << kSuite;
        }
    }
};

TEST_F(BmpSuite, GoodFilesLoadToTheirReferencePictures) {
    int good = 0;
    for (const Row& row : Manifest()) {
        if (row.at("class") != "good") continue;
        ++good;
        std::string got = Outcome(row.at("path"));
        auto colon = got.find(':');
        std::string crc = colon == std::string::npos ? "" : got.substr(colon + 1);
        EXPECT_NE(colon, std::string::npos) << row.at("path") << ": " << got;
        EXPECT_NE(("," + row.at("ref_bgr_crc") + ",").find("," + crc + ","), std::string::npos)
            << row.at("path") << ": " << got << ", references " << row.at("ref_bgr_crc");
    }
    EXPECT_GT(good, 20);
}

// What each questionable file gives: its reference picture where one is
// named, else the picture the loader's rules make of it, or the error.
const std::map<std::string, std::string> kDecided = {
    {"q/pal1huffmsb.bmp", "invalid"},
    {"q/pal1p1.bmp", "127x64:066abe1e"},
    {"q/pal2.bmp", "127x64:0da27594"},
    {"q/pal2color.bmp", "127x64:66bb9833"},
    {"q/pal4rlecut.bmp", "127x64:4e452567"},
    {"q/pal4rletrns.bmp", "127x64:1212e50c"},
    {"q/pal8offs.bmp", "127x64:8769fc47"},
    {"q/pal8os2-hs.bmp", "127x64:342d7070"},
    {"q/pal8os2-sz.bmp", "127x64:342d7070"},
    {"q/pal8os2sp.bmp", "127x64:467b67d5"},
    {"q/pal8os2v2-16.bmp", "invalid"},
    {"q/pal8os2v2-40sz.bmp", "127x64:342d7070"},
    {"q/pal8os2v2-sz.bmp", "127x64:342d7070"},
    {"q/pal8os2v2.bmp", "127x64:342d7070"},
    {"q/pal8oversizepal.bmp", "invalid"},
    {"q/pal8rlecut.bmp", "127x64:33a8d52f"},
    {"q/pal8rletrns.bmp", "127x64:f277d445"},
    {"q/rgb16-231.bmp", "127x64:968f1883"},
    {"q/rgb16-3103.bmp", "127x64:42ae88f6"},
    {"q/rgb16faketrns.bmp", "127x64:70944409"},
    {"q/rgb24jpeg.bmp", "invalid"},
    {"q/rgb24largepal.bmp", "invalid"},
    {"q/rgb24lprof.bmp", "127x64:515d2836"},
    {"q/rgb24png.bmp", "invalid"},
    {"q/rgb24prof.bmp", "127x64:515d2836"},
    {"q/rgb24prof2.bmp", "127x64:e9510145"},
    {"q/rgb24rle24.bmp", "127x64:342d7070"},
    {"q/rgb32-111110.bmp", "127x64:6875488a"},
    {"q/rgb32-7187.bmp", "127x64:8718e722"},
    {"q/rgb32-xbgr.bmp", "127x64:515d2836"},
    {"q/rgb32fakealpha.bmp", "127x64:515d2836"},
    {"q/rgb32h52.bmp", "127x64:515d2836"},
    {"q/rgba16-1924.bmp", "127x64:69aeee38"},
    {"q/rgba16-4444.bmp", "127x64:0c22ef87"},
    {"q/rgba16-5551.bmp", "127x64:70944409"},
    {"q/rgba32-1.bmp", "127x64:565b5d9b"},
    {"q/rgba32-1010102.bmp", "127x64:565b5d9b"},
    {"q/rgba32-2.bmp", "127x64:565b5d9b"},
    {"q/rgba32-61754.bmp", "127x64:ecc7ca13"},
    {"q/rgba32-81284.bmp", "127x64:565b5d9b"},
    {"q/rgba32abf.bmp", "127x64:565b5d9b"},
    {"q/rgba32h56.bmp", "127x64:565b5d9b"},
    {"q/rgba64.bmp", "invalid"},
};

TEST_F(BmpSuite, QuestionableFilesBehaveAsDecided) {
    for (const Row& row : Manifest()) {
        if (row.at("class") != "questionable") continue;
        auto decided = kDecided.find(row.at("path"));
        ASSERT_NE(decided, kDecided.end()) << row.at("path") << " has no decided behaviour";
        EXPECT_EQ(Outcome(row.at("path")), decided->second) << row.at("path");
    }
}

// Remembers the largest storage asked for, and refuses it.
class RecordingPixels final : public PixelAllocator {
public:
    std::unique_ptr<PixelStorage> Allocate(const PixelLayout& layout) noexcept override {
        largest = std::max(largest, layout.Size());
        return nullptr;
    }
    std::size_t largest = 0;
};

TEST_F(BmpSuite, BadFilesLoadOrRaiseTheLoaderErrors) {
    for (const Row& row : Manifest()) {
        if (row.at("class") == "good" || row.at("class") == "questionable") continue;
        std::string got = Outcome(row.at("path"));
        EXPECT_TRUE(got == "invalid" || got == "read" || got.find(':') != std::string::npos)
            << row.at("path") << ": " << got;
    }
    RecordingPixels recorder;
    EXPECT_EQ(Outcome("b/reallybig.bmp", recorder), "invalid");
    EXPECT_EQ(recorder.largest, 0u) << "3,000,000 x 2,000,000 reached the allocator";
}

}  // namespace
