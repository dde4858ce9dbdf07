// The registry key path of the settings store, compiled from the library's
// own source: the outcome of naming a key, and that reads and writes never
// create the key.
#include "DriverHarness.h"

#include "tunerprops/RegistryKeyPath.h"

#include <string>

namespace {

using KeyPathTest = DriverTest;

TEST_F(KeyPathTest, NamingAKeyReportsItsOutcomeInTheLastError) {
    const std::string name259(259, 'k');
    const std::string name260(260, 'k');
    struct Case {
        const char* context;
        const char* root;
        const char* subKey;
        DWORD lastError;
        const char* keptRoot;
        const char* keptSubKey;
    };
    const Case cases[] = {
        {"both fit", "Software\\Mirovanta", "Brindlecove", ERROR_SUCCESS, "Software\\Mirovanta",
         "Brindlecove"},
        {"sub-key of 259 characters", "Software", name259.c_str(), ERROR_SUCCESS, "Software",
         name259.c_str()},
        {"sub-key of 260 characters", "Software", name260.c_str(), ERROR_INVALID_NAME, "", ""},
        {"no sub-key", "Software", nullptr, ERROR_INVALID_NAME, "", ""},
        {"no root path", nullptr, "Brindlecove", ERROR_INVALID_PARAMETER, "", "Brindlecove"},
        {"root path of 260 characters", name260.c_str(), "Brindlecove", ERROR_INVALID_PARAMETER, "",
         "Brindlecove"},
    };
    for (const Case& c : cases) {
        SetLastError(0xDEAD);
        const CRegistryKeyPath path(c.root, c.subKey);
        EXPECT_EQ(GetLastError(), c.lastError) << c.context;
        EXPECT_STREQ(path.m_szRootPath, c.keptRoot) << c.context;
        EXPECT_STREQ(path.m_szSubKey, c.keptSubKey) << c.context;
        for (BYTE b : path.m_reserved)
            EXPECT_EQ(b, 0) << c.context;
    }
}

TEST_F(KeyPathTest, ReadsAndWritesNeverCreateTheKey) {
    const CRegistryKeyPath path("Software\\Mirovanta", "Brindlecove");
    EXPECT_FALSE(path.OpenKey());
    EXPECT_FALSE(path.WriteDword("Brightness", 1));
    EXPECT_EQ(path.ReadDword("Brightness"), 0u);
    EXPECT_EQ(ReadKey(), std::nullopt);

    EXPECT_TRUE(path.CreateKey());
    EXPECT_TRUE(path.WriteDword("Brightness", 201));
    EXPECT_EQ(path.ReadDword("Brightness"), 201u);
    EXPECT_EQ(ReadKey(), (KeyContents{{"Brightness", Dword(201)}}));
    EXPECT_EQ(path.ReadDword(std::string(300, 'v').c_str()), 0u) << "a name too long to exist";
}

TEST_F(KeyPathTest, AClearedPathReachesNothing) {
    WriteKey({{"Hue", Dword(7)}});
    CRegistryKeyPath path("Software\\Mirovanta", "Brindlecove");
    EXPECT_EQ(path.ReadDword("Hue"), 7u);
    path.Clear();
    EXPECT_EQ(path.m_szSubKey[0], '\0');
    EXPECT_EQ(path.ReadDword("Hue"), 0u);
    EXPECT_FALSE(path.WriteDword("Hue", 9));
    EXPECT_EQ(ReadKey(), (KeyContents{{"Hue", Dword(7)}}));
}

} // namespace
