// What the program, the library and the device share: the bytes a bitmap
// format claims, and the settings key read and written on the real registry.
#include "contract/DibFormat.h"
#include "contract/SettingsKey.h"
#include "support/SettingsKeyGuard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

BITMAPINFOHEADER Header(DWORD size, WORD bitCount, DWORD compression, DWORD colours) {
    BITMAPINFOHEADER header{};
    header.biSize = size;
    header.biWidth = 160;
    header.biHeight = 120;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = compression;
    header.biClrUsed = colours;
    return header;
}

// The cases where the program's, the device's and the device's fault
// copies of this rule once gave different answers, and the plain ones.
TEST(DibFormatTest, AHeaderClaimsItsMasksAndColourTable) {
    constexpr DWORD kJpeg = MAKEFOURCC('J', 'P', 'E', 'G');
    struct Case {
        const char* context;
        BITMAPINFOHEADER header;
        std::uint64_t claimed;
    };
    const Case cases[] = {
        {"8 bits, the table implicit", Header(40, 8, BI_RGB, 0), 40 + 256 * 4},
        {"4 bits, 3 colours used", Header(40, 4, BI_RGB, 3), 40 + 3 * 4},
        {"16-bit masks", Header(40, 16, BI_BITFIELDS, 0), 40 + 3 * 4},
        {"32-bit masks", Header(40, 32, BI_BITFIELDS, 0), 40 + 3 * 4},
        {"32-bit masks and 2 colours", Header(40, 32, BI_BITFIELDS, 2), 40 + 5 * 4},
        {"24 bits take no masks", Header(40, 24, BI_BITFIELDS, 0), 40},
        {"a version-5 header holds its masks", Header(124, 32, BI_BITFIELDS, 0), 124},
        {"24 bits with an optional table", Header(40, 24, BI_RGB, 16), 40 + 16 * 4},
        {"no bit count (JPEG) has no table", Header(40, 0, kJpeg, 0), 40},
        {"a count beyond 32 bits", Header(40, 8, BI_RGB, 0xFFFFFFFF), 40 + 0xFFFFFFFFull * 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dib::ClaimedBytes(c.header), c.claimed) << c.context;
}

TEST(DibFormatTest, RowsAreWholeDwords) {
    struct Case {
        LONG width;
        LONG height;
        WORD bitCount;
        DWORD stride;
        DWORD imageBytes;
    };
    const Case cases[] = {
        {1, 1, 24, 4, 4},
        {3, 2, 24, 12, 24},
        {33, 1, 1, 8, 8},
        {640, 480, 16, 1280, 614400},
        {160, -120, 24, 480, 57600},     // top-down rows
        {65536, 65536, 32, 262144, ~0u}, // held at the largest DWORD
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dib::Stride(c.width, c.bitCount), c.stride) << c.width << " x " << c.bitCount;
        EXPECT_EQ(dib::ImageBytes(c.width, c.height, c.bitCount), c.imageBytes)
            << c.width << " x " << c.height << " x " << c.bitCount;
    }
}

void StoreRaw(const char* name, DWORD type, const std::vector<BYTE>& data) {
    const std::string path =
        std::string(settings_store::kRootPath) + "\\" + settings_store::kSubKey;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, data.data(), DWORD(data.size()));
    RegCloseKey(key);
}

TEST(SettingsKeyTest, AMissingKeyIsNeitherReadNorWrittenNorCreated) {
    const SettingsKeyGuard guard;
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Mirovanta\\Brindlecove");
    const CSettingsKey key = CSettingsKey::Open(KEY_ALL_ACCESS);
    EXPECT_FALSE(key);
    EXPECT_EQ(key.ReadDword("ImageSize"), std::nullopt);
    EXPECT_FALSE(key.WriteDword("ImageSize", 25));
    HKEY probe = nullptr;
    EXPECT_NE(
        RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Mirovanta\\Brindlecove", 0, KEY_READ, &probe),
        ERROR_SUCCESS);
}

TEST(SettingsKeyTest, ReadsOnlyWhatIsStoredAsADword) {
    const SettingsKeyGuard guard;
    guard.WriteDword("Hue", 7);
    StoreRaw("Brightness", REG_SZ, {'2', '0', 0});
    StoreRaw("Contrast", REG_DWORD, {7, 0, 0, 0, 0, 0, 0, 0});
    StoreRaw("Saturation", REG_BINARY, {9, 0, 0, 0});

    const CSettingsKey key = CSettingsKey::Open(KEY_READ);
    ASSERT_TRUE(key);
    struct Case {
        const char* name;
        std::optional<DWORD> value;
    };
    const Case cases[] = {
        {"Hue", 7u},
        {"Brightness", std::nullopt}, // text
        {"Contrast", std::nullopt},   // 8 bytes
        {"Saturation", std::nullopt}, // binary
        {"Channel", std::nullopt},    // missing
    };
    for (const Case& c : cases)
        EXPECT_EQ(key.ReadDword(c.name), c.value) << c.name;
    EXPECT_FALSE(key.WriteDword("Hue", 9)) << "opened for reading";
}

TEST(SettingsKeyTest, WritesAreSeenByTheNextOpening) {
    const SettingsKeyGuard guard;
    guard.WriteDword("ImageSize", 50);
    EXPECT_TRUE(CSettingsKey::Open(KEY_SET_VALUE).WriteDword("ImageSize", 100));
    EXPECT_TRUE(CSettingsKey::Open(KEY_SET_VALUE).WriteDword("ImageFormat", 1));
    const CSettingsKey key = CSettingsKey::Open(KEY_QUERY_VALUE);
    EXPECT_EQ(key.ReadDword("ImageSize"), 100u);
    EXPECT_EQ(key.ReadDword("ImageFormat"), 1u);
}

} // namespace
