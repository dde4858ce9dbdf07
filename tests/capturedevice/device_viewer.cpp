// A window showing live video from the software capture device, for looking
// at the pattern by eye: device_viewer [driver index] [preview|overlay]
// [width height bits] (bits 15, 24 or 2 for YUY2). Closes after the number
// of seconds in SOFTCAP_VIEWER_SECONDS, if set; opens the driver's Video
// Source dialog after a second when SOFTCAP_VIEWER_DIALOG is set.

#include <windows.h>
#include <vfw.h>

#include <cstdlib>
#include <cstring>

namespace {

void CALLBACK EndViewer(HWND, UINT, UINT_PTR, DWORD) {
    ExitProcess(0);
}

} // namespace

int main(int argc, char** argv) {
    const int driver = argc > 1 ? std::atoi(argv[1]) : 0;
    const bool overlay = argc > 2 && std::strcmp(argv[2], "overlay") == 0;
    HWND frame =
        CreateWindowExA(0, "STATIC", "Software capture device", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        10, 10, 680, 520, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND capture = capCreateCaptureWindowA("", WS_CHILD | WS_VISIBLE, 0, 0, 640, 480, frame, 0);
    if (capture == nullptr || !SendMessageA(capture, WM_CAP_DRIVER_CONNECT, driver, 0)) {
        return 1;
    }
    if (argc > 5) {
        BITMAPINFO info{};
        SendMessageA(capture, WM_CAP_GET_VIDEOFORMAT, sizeof info, reinterpret_cast<LPARAM>(&info));
        const int bits = std::atoi(argv[5]);
        info.bmiHeader.biWidth = std::atoi(argv[3]);
        info.bmiHeader.biHeight = std::atoi(argv[4]);
        info.bmiHeader.biBitCount = bits == 24 ? 24 : 16;
        info.bmiHeader.biCompression = bits == 2 ? MAKEFOURCC('Y', 'U', 'Y', '2') : BI_RGB;
        info.bmiHeader.biSizeImage = static_cast<DWORD>(
            info.bmiHeader.biWidth * info.bmiHeader.biHeight * info.bmiHeader.biBitCount / 8);
        SendMessageA(capture, WM_CAP_SET_VIDEOFORMAT, sizeof info, reinterpret_cast<LPARAM>(&info));
    }
    SendMessageA(capture, WM_CAP_SET_PREVIEWRATE, 66, 0);
    SendMessageA(capture, overlay ? WM_CAP_SET_OVERLAY : WM_CAP_SET_PREVIEW, TRUE, 0);
    if (const char* seconds = std::getenv("SOFTCAP_VIEWER_SECONDS")) {
        // A thread timer, so that it fires inside a driver dialog's loop too.
        SetTimer(nullptr, 0, static_cast<UINT>(std::atoi(seconds) * 1000), EndViewer);
    }
    const bool dialog = std::getenv("SOFTCAP_VIEWER_DIALOG") != nullptr;
    if (dialog) {
        SetTimer(frame, 2, 1000, nullptr);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == frame && msg.wParam == 2) {
            KillTimer(frame, 2);
            SendMessageA(capture, WM_CAP_DLG_VIDEOSOURCE, 0, 0);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(frame);
    return 0;
}
