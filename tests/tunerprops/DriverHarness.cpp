#include "DriverHarness.h"

#include "base/Handle.h"
#include <cstring>
#include <set>

const char* const kSettingNames[16] = {"Brightness",  "Contrast",  "Hue",           "Saturation",
                                       "ImageSize",   "Channel",   "FineTune",      "VideoStandard",
                                       "Sound",       "Tuner",     "Connector",     "AudioSource",
                                       "ImageFormat", "UseDirect", "FavorOverlays", "Mute"};
const DWORD kSettingDefaults[16] = {128, 128, 128, 128, 320, 2, 20, 4, 0, 0, 0, 2, 0, 1, 1, 0};
const char* const kCapsNames[11] = {
    "DDSupportsRGB15",    "DDSupportsRGB24",    "DDSupportsRGB32",          "DDSupportsYUY2",
    "DDSupportsOSPRGB15", "DDSupportsOSPRGB24", "DDSupportsOSPRGB32",       "DDSupportsOSPYUY2",
    "DDAvailable",        "DDSupportsOverlays", "DDSupportsOffScreenPlanes"};

StoredValue Dword(DWORD value) {
    StoredValue stored;
    stored.data.resize(4);
    std::memcpy(stored.data.data(), &value, 4);
    return stored;
}

std::optional<KeyContents> ReadKey() {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return std::nullopt;
    KeyContents contents;
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameLength = sizeof name;
        BYTE data[1024] = {};
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(hKey, index, name, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS)
            break;
        contents[name] = StoredValue{type, std::vector<BYTE>(data, data + dataLength)};
    }
    RegCloseKey(hKey);
    return contents;
}

void DeleteKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath);
}

void WriteKey(const KeyContents& contents) {
    DeleteKey();
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &hKey, nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] : contents)
        RegSetValueExA(hKey, name.c_str(), 0, value.type, value.data.data(),
                       DWORD(value.data.size()));
    RegCloseKey(hKey);
}

namespace {

// Counting the library's signals: its imports of OpenEventA and SetEvent are
// redirected to these, which call the real functions. A SetEvent counts when
// its handle came from opening the settings-changed event.
using OpenEventFn = HANDLE(WINAPI*)(DWORD, BOOL, LPCSTR);
using SetEventFn = BOOL(WINAPI*)(HANDLE);
OpenEventFn g_realOpenEvent = nullptr;
SetEventFn g_realSetEvent = nullptr;
std::set<HANDLE> g_settingsEventHandles;
int g_eventSetCount = 0;

HANDLE WINAPI CountingOpenEvent(DWORD access, BOOL inherit, LPCSTR name) {
    HANDLE handle = g_realOpenEvent(access, inherit, name);
    if (handle != nullptr && name != nullptr && std::strcmp(name, kEventName) == 0)
        g_settingsEventHandles.insert(handle);
    return handle;
}

BOOL WINAPI CountingSetEvent(HANDLE handle) {
    if (g_settingsEventHandles.erase(handle) != 0)
        ++g_eventSetCount;
    return g_realSetEvent(handle);
}

// Replaces the module's import of kernel32!name; returns the original.
void* PatchImport(HMODULE module, const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* descriptor =
             reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + descriptor->Name), "kernel32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), name) != 0)
                continue;
            DWORD oldProtection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &oldProtection);
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, oldProtection,
                           &oldProtection);
            return original;
        }
    }
    return nullptr;
}

} // namespace

void DriverTest::SetUp() {
    m_keyGuard.emplace();
    DeleteKey();
    m_event = CreateEventA(nullptr, FALSE, FALSE, kEventName);
    ASSERT_NE(m_event, nullptr);
    LoadTunerLibrary();
}

void DriverTest::TearDown() {
    UnloadTunerLibrary();
    CloseEvent();
    m_keyGuard.reset();
}

void DriverTest::LoadTunerLibrary() {
    m_library = LoadLibraryA("tunerprops.dll");
    ASSERT_NE(m_library, nullptr);
    g_realOpenEvent = reinterpret_cast<OpenEventFn>(
        PatchImport(m_library, "OpenEventA", reinterpret_cast<void*>(&CountingOpenEvent)));
    g_realSetEvent = reinterpret_cast<SetEventFn>(
        PatchImport(m_library, "SetEvent", reinterpret_cast<void*>(&CountingSetEvent)));
    ASSERT_NE(g_realOpenEvent, nullptr) << "the library imports OpenEventA from kernel32";
    ASSERT_NE(g_realSetEvent, nullptr) << "the library imports SetEvent from kernel32";
    g_settingsEventHandles.clear();
    g_eventSetCount = 0;
    CreateConfigDialog = ProcAddress<CreateConfigDialogFn>(m_library, "CreateConfigDialog");
    DoConfigDialog = ProcAddress<DoConfigDialogFn>(m_library, "DoConfigDialog");
    DestroyConfigDialog = ProcAddress<DestroyConfigDialogFn>(m_library, "DestroyConfigDialog");
    ASSERT_NE(CreateConfigDialog, nullptr);
    ASSERT_NE(DoConfigDialog, nullptr);
    ASSERT_NE(DestroyConfigDialog, nullptr);
}

void DriverTest::UnloadTunerLibrary() {
    if (m_library == nullptr)
        return;
    DestroyConfigDialog();
    FreeLibrary(m_library);
    m_library = nullptr;
}

int DriverTest::EventSetCount() {
    return g_eventSetCount;
}

bool DriverTest::TakeEvent() const {
    return WaitForSingleObject(m_event, 0) == WAIT_OBJECT_0;
}

void DriverTest::CloseEvent() {
    if (m_event != nullptr)
        CloseHandle(m_event);
    m_event = nullptr;
}
