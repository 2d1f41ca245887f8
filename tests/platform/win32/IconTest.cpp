// The resources of Project1.exe: the icon, which drawn anywhere leaves every
// pixel as it was, and the manifest, which the system takes.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/WindowsApi.h"

namespace {

// PROJECT1_PATH is the build's Unix path; Wine sees it on drive Z:.
std::wstring Project1Path() {
    std::wstring path = L"Z:";
    for (const char* p = PROJECT1_PATH; *p != '\0'; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
    return path;
}

TEST(Icon, ExecutableIconIsOneTransparentTwoColourImage) {
    HMODULE module = LoadLibraryExW(Project1Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(SizeofResource(module, group), 20u);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
    const int id = LookupIconIdFromDirectoryEx(directory, TRUE, 16, 16, LR_DEFAULTCOLOR);
    ASSERT_EQ(id, 1);

    HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));
    ASSERT_NE(image, nullptr);
    const DWORD size = SizeofResource(module, image);
    auto* bits = static_cast<BYTE*>(LockResource(LoadResource(module, image)));
    ASSERT_EQ(size, 176u);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bits);
    EXPECT_EQ(header->biWidth, 16);
    EXPECT_EQ(header->biHeight, 32);
    EXPECT_EQ(header->biBitCount, 1);
    // Header, two colours, then the XOR mask and the AND mask, 64 bytes each.
    for (DWORD i = 48; i < 112; ++i) EXPECT_EQ(bits[i], 0x00) << "XOR byte " << i;
    for (DWORD i = 112; i < 176; ++i) EXPECT_EQ(bits[i], 0xFF) << "AND byte " << i;

    HICON icon = CreateIconFromResourceEx(bits, size, TRUE, 0x00030000, 16, 16, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ previous = SelectObject(dc, canvas);
    const RECT all{0, 0, 16, 16};
    HBRUSH red = CreateSolidBrush(RGB(200, 30, 40));
    FillRect(dc, &all, red);
    DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    int changed = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) changed += GetPixel(dc, x, y) != RGB(200, 30, 40) ? 1 : 0;
    }
    EXPECT_EQ(changed, 0);
    SelectObject(dc, previous);
    DeleteObject(red);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    FreeLibrary(module);
}

TEST(Manifest, SystemTakesTheExecutablesManifestAsDisplaySettingAware) {
    // What the loader does at start-up: a manifest the system refuses would
    // stop the program from starting at all.
    const std::wstring path = Project1Path();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    wchar_t value[16] = {};
    SIZE_T written = 0;
    EXPECT_TRUE(QueryActCtxSettingsW(0, context, nullptr, L"dpiAware", value, 16, &written));
    EXPECT_STREQ(value, L"true");
    ReleaseActCtx(context);
}

}  // namespace
