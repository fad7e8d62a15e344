// The resources built into the program (the tests link the same ones): the icon
// with its eight images and the version record.

#include <gtest/gtest.h>

#include <set>
#include <string>

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
