// hfyucodec.dll: the codec as an installable driver, for the system's
// AVIFile, players and any program (registered as Drivers32 vidc.HFYU).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
