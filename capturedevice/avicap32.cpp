// The exports of the software capture device, with the platform's signatures.

#include <windows.h>
#include <vfw.h>

#include <optional>

#include "CaptureWindow.h"
#include "DeviceFaults.h"
#include "VirtualDrivers.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        SetDeviceModule(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        UnregisterCaptureWindowClass(); // unloaded by FreeLibrary, not at process end
    }
    return TRUE;
}

extern "C" HWND VFWAPI capCreateCaptureWindowA(LPCSTR windowName, DWORD style, int x, int y,
                                               int width, int height, HWND parent, int id) {
    if (FaultRefusesWindow()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return CreateCaptureWindow(windowName, style, x, y, width, height, parent, id);
}

extern "C" BOOL VFWAPI capGetDriverDescriptionA(UINT index, LPSTR name, int nameSize, LPSTR version,
                                                int versionSize) {
    if (const std::optional<BOOL> faulty =
            FaultDriverDescription(index, name, nameSize, version, versionSize)) {
        return *faulty;
    }
    const std::optional<VirtualDriver> driver =
        FindDriver(index <= 9 ? static_cast<int>(index) : -1);
    if (!driver || name == nullptr || nameSize <= 0) {
        return FALSE;
    }
    lstrcpynA(name, driver->Name(), nameSize);
    if (version != nullptr && versionSize > 0) {
        lstrcpynA(version, driver->Version(), versionSize);
    }
    return TRUE;
}
