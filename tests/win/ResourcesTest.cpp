// The resources built into the program (the tests link the same ones): the icon
// with its eight images, the number box's arrow glyphs and the version record.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/WinApi.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIcon {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

const void* resource(const char* name, LPCSTR type, DWORD* size = nullptr) {
    HRSRC found = FindResourceA(nullptr, name, type);
    if (!found)
        return nullptr;
    if (size)
        *size = SizeofResource(nullptr, found);
    return LockResource(LoadResource(nullptr, found));
}

} // namespace

TEST(Resources, TheProgramIconHoldsEightImagesOf32Bits) {
    auto* group = static_cast<const GroupIcon*>(resource("MAINICON", RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->count, 8);
    std::set<int> sizes;
    for (int i = 0; i < group->count; ++i) {
        const GroupIconEntry& e = group->entries[i];
        sizes.insert(e.width ? e.width : 256);
        EXPECT_EQ(e.bitCount, 32) << i;
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 64, 72, 96, 128}));
}

TEST(Resources, TheVersionRecordSays1Point0) {
    DWORD size = 0;
    const void* data = resource(MAKEINTRESOURCEA(1), RT_VERSION, &size);
    ASSERT_NE(data, nullptr);
    // VerQueryValue wants a writable copy.
    std::string copy(static_cast<const char*>(data), size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(copy.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::string(text), "1.0");
}

TEST(Resources, TheArrowGlyphsAreCentredBlackTrianglesOnOlive) {
    const std::pair<const char*, std::vector<int>> glyphs[] = {{"SpinUp", {0, 1, 3, 5, 7, 0}},
                                                               {"SpinDown", {0, 7, 5, 3, 1, 0}}};
    for (const auto& [name, widths] : glyphs) {
        auto* bitmap = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr) << name;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 9, -6, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        DWORD pixels[6][9] = {};
        HDC dc = GetDC(nullptr);
        EXPECT_EQ(GetDIBits(dc, bitmap, 0, 6, pixels, &info, DIB_RGB_COLORS), 6) << name;
        ReleaseDC(nullptr, dc);
        BITMAP size{};
        GetObjectA(bitmap, sizeof size, &size);
        DeleteObject(bitmap);
        EXPECT_EQ(size.bmWidth, 9) << name;
        EXPECT_EQ(size.bmHeight, 6) << name;
        for (int y = 0; y < 6; ++y) {
            int black = 0;
            for (int x = 0; x < 9; ++x) {
                const DWORD c = pixels[y][x] & 0xFFFFFF;
                if (c == 0) {
                    ++black;
                    EXPECT_LE(std::abs(x - 4), widths[y] / 2) << name << " row " << y;
                } else {
                    EXPECT_EQ(c, 0x808000u) << name << " row " << y; // olive, as 0xRRGGBB
                }
            }
            EXPECT_EQ(black, widths[y]) << name << " row " << y;
        }
    }
}
