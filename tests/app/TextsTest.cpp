// The show's texts are code page 932 bytes written as escapes; each is checked
// against the readable text converted by the C library.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "app/ApplicationTitle.h"
#include "app/FormDescription.h"
#include "app/HandlerRunner.h"
#include "core/Cp932.h"
#include "core/Messages.h"
#include "platform/virtual/VirtualPlatform.h"
#include "show/GlitchTitle.h"

namespace {

std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in = utf8, out(utf8.size() * 2, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t src_left = in.size(), dst_left = out.size();
    EXPECT_NE(iconv(cd, &src, &src_left, &dst, &dst_left), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - dst_left);
    return out;
}

TEST(Texts, MessagesAreTheirCodePage932Bytes) {
    EXPECT_EQ(messages::OpenError("[]\\,,,,;,,.bmp"),
              ToCp932("ファイル []\\,,,,;,,.bmp は開けません"));
    EXPECT_EQ(messages::kReadError, ToCp932("ストリームからの読み込みエラー"));
    EXPECT_EQ(messages::kInvalidBitmap, ToCp932("ビットマップイメージが不正です"));
    EXPECT_EQ(messages::kScanLineOutOfRange,
              ToCp932("スキャンライン のインデックスが範囲を越えました"));
    EXPECT_EQ(messages::kTimerRefused, ToCp932("タイマーを取得できません"));
    EXPECT_EQ(kForm1Description.form1.font_face, ToCp932("ＭＳ Ｐゴシック"));
}

TEST(Texts, GlitchTitleIsSpacesAndFullWidthMarks) {
    EXPECT_EQ(GlitchTitle(1), ToCp932(" ： ；"));
    EXPECT_EQ(GlitchTitle(1), "\x20\x81\x46\x20\x81\x47");
    EXPECT_EQ(GlitchTitle(30).size(), 64u);
    EXPECT_EQ(GlitchTitle(30),
              std::string(30, ' ') + "\x81\x46" + std::string(30, ' ') + "\x81\x47");
}

TEST(Texts, ErrorBoxAppendsAPeriodAfterBytesAboveIt) {
    EXPECT_EQ(ErrorBoxText(messages::kReadError), std::string(messages::kReadError) + ".");
    EXPECT_EQ(ErrorBoxText("Failed!"), "Failed!");
    EXPECT_EQ(ErrorBoxText("Failed)"), "Failed)");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("disk 0"), "disk 0.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(Texts, ApplicationTitleIsTheNameUpToItsFirstPeriod) {
    const LeadByteTest cp932_lead = cp932::IsLeadByte;
    EXPECT_EQ(CutApplicationTitle("C:\\Programs\\Show.Demo.exe", cp932_lead), "Show");
    EXPECT_EQ(CutApplicationTitle("\\usr\\local\\bin\\Project1", cp932_lead), "Project1");
    EXPECT_EQ(CutApplicationTitle("noext", cp932_lead), "noext");
    // "表" is 95 5C: its second byte is no separator. "ー" is 81 5B.
    EXPECT_EQ(CutApplicationTitle("C:\\\x95\x5c\\\x95\x5cX.exe", cp932_lead), "\x95\x5cX");
    EXPECT_EQ(CutApplicationTitle("C:\\\x95\x5c.a.b", cp932_lead), "\x95\x5c");
    EXPECT_EQ(CutApplicationTitle("C:\\dir.d\\", cp932_lead), "");
    // In a single-byte code page "é" (E9) is a letter of its own, though it
    // would start a double-byte character in code page 932.
    const LeadByteTest single_byte = [](char) { return false; };
    EXPECT_EQ(CutApplicationTitle("C:\\Caf\xe9.Cr\xe8me.exe", single_byte), "Caf\xe9");
}

TEST(Texts, LoweringLeavesDoubleByteCharactersWhole) {
    std::string text = "ABC\x82\x60Z";  // "Ａ" is 82 60; then Z
    cp932::LowerLatinLetters(text);
    EXPECT_EQ(text, "abc\x82\x60z");
    std::string second_byte_letter = "\x83\x41Q";  // "ア" is 83 41: 41 is no "A"
    cp932::LowerLatinLetters(second_byte_letter);
    EXPECT_EQ(second_byte_letter, "\x83\x41q");
    EXPECT_EQ(cp932::ToHex("\x81\x46 "), "814620");
}

TEST(Texts, TheTitleIsLoweredByItsPathsCodePage) {
    struct Case {
        PathCodePage encoding;
        const char* path;
        const char* title;
    };
    const Case cases[] = {
        {PathCodePage::Cp932, "C:\\SHOW\\PROJECT1.EXE", "Project1"},
        // In UTF-8 "あ" is E3 81 82: no byte of it starts a character that
        // would hide the "Q" after it.
        {PathCodePage::Utf8, "\\opt\\P\xE3\x81\x82QR.bin", "P\xE3\x81\x82qr"},
        {PathCodePage::Utf8,
         "\\opt\\\xC3\x80"
         "BC",
         "\xC3\x80"
         "bc"},
    };
    for (const Case& c : cases) {
        VirtualPlatform platform;
        platform.SetExecutablePath(c.path, c.encoding);
        EXPECT_EQ(ApplicationTitle(platform), c.title) << cp932::ToHex(c.path);
    }
}

}  // namespace
