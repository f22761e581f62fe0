// What the Windows program file carries: the alarm as CUSTOM 102 in Swedish, the version 1.00 and
// one icon group of 16 x 16 in 16 colours; and the system's player takes the alarm.
#include "platform/program_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace skymra::test {
namespace {

TEST(ProgramFileTest, HoldsTheAlarmAsSwedishCustom102AndNothingUnderOtherIds) {
    const std::string_view wav = programResource("CUSTOM", 102);
    ASSERT_EQ(wav.size(), 10'026u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 4), "WAVE");
    // The same bytes, found by type, id and language as the resource compiler stored them.
    const WORD swedish = MAKELANGID(LANG_SWEDISH, SUBLANG_SWEDISH);
    ASSERT_EQ(swedish, 1053);
    HRSRC found = FindResourceExA(nullptr, "CUSTOM", MAKEINTRESOURCEA(102), swedish);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(LockResource(LoadResource(nullptr, found)), wav.data());

    EXPECT_TRUE(programResource("CUSTOM", 103).empty());
    EXPECT_TRUE(programResource("WAVE", 102).empty());
    // 16-bit resource ids: these would wrap onto 102.
    EXPECT_TRUE(programResource("CUSTOM", 102 + 65'536).empty());
    EXPECT_TRUE(programResource("CUSTOM", -65'434).empty());
    EXPECT_TRUE(programResource("CUSTOM", 0).empty());
}

TEST(ProgramFileTest, CarriesVersionOneAndOneSmallIconGroup) {
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x0001'0000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x0001'0000u);
    for (const char* key : {"FileVersion", "ProductVersion"}) {
        char* text = nullptr;
        const std::string at = std::string("\\StringFileInfo\\041D04B0\\") + key;
        ASSERT_TRUE(
            VerQueryValueA(info.data(), at.c_str(), reinterpret_cast<void**>(&text), &length))
            << key;
        EXPECT_STREQ(text, "1.00") << key;
    }

    // Names by text live only during the enumeration: kept as text.
    std::vector<std::string> groups;
    EnumResourceNamesA(
        nullptr, RT_GROUP_ICON,
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR to) -> BOOL {
            char number[24];
            if (IS_INTRESOURCE(name))
                std::snprintf(number, sizeof number, "#%u",
                              static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
            reinterpret_cast<std::vector<std::string>*>(to)->push_back(IS_INTRESOURCE(name) ? number
                                                                                            : name);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_EQ(groups.size(), 1u);
    HRSRC group = FindResourceA(nullptr, groups.front().c_str(), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries of width, height, colours, ...
    const auto* dir = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, group)));
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(dir[4] | dir[5] << 8, 1);
    EXPECT_EQ(dir[6], 16);
    EXPECT_EQ(dir[7], 16);
    EXPECT_EQ(dir[8], 16);
}

TEST(ProgramFileTest, TheSystemPlaysTheAlarmFromMemory) {
    EXPECT_TRUE(systemPlaysSoundFromMemory());
    // Whether a device hears it is the device tests' matter; here the call must take the bytes
    // and return at once, twice in a row, and stop on a null sound.
    const std::string_view wav = programResource("CUSTOM", 102);
    ASSERT_FALSE(wav.empty());
    playSoundFromMemory(wav.data());
    playSoundFromMemory(wav.data());
    PlaySoundA(nullptr, nullptr, 0);
}

}  // namespace
}  // namespace skymra::test
