#pragma once

// A test double of the platform's capture window and driver list: windows
// that record every capture message they receive with its arguments and
// answer like a capture window with the configured drivers.

#include "session/CapturePlatform.h"
#include "support/MessageRecorder.h"

#include <vfw.h>

#include <map>
#include <string>
#include <vector>

struct FakeDriver {
    int index;
    std::string name;
    bool hasOverlay = true;
    UINT width = 320;
    UINT height = 240;
    BOOL scale = FALSE;
};

class FakeCapturePlatform : public CCapturePlatform {
public:
    explicit FakeCapturePlatform(std::vector<FakeDriver> drivers);
    ~FakeCapturePlatform() override;

    struct Creation {
        std::string windowName;
        DWORD style;
        int x, y, width, height;
        HWND parent;
        int id;
        HWND created;
    };
    struct WindowState {
        const FakeDriver* driver = nullptr;
        BOOL preview = FALSE;
        BOOL overlay = FALSE;
        CAPSTATUSCALLBACKA statusCallback = nullptr;
        CAPERRORCALLBACKA errorCallback = nullptr;
        // Capture commands: the audio format it holds, and copies of what
        // the last info chunk and sequence setup carried.
        std::vector<BYTE> audioFormat;
        FOURCC infoChunkId = 0;
        LONG infoChunkSize = -1;
        std::vector<BYTE> infoChunkData;
        CAPTUREPARMS sequenceSetup{};
    };

    std::vector<FakeDriver> m_drivers;
    std::vector<Creation> m_creations;
    std::vector<UINT> m_descriptionQueries;
    MessageRecorder m_recorder; // capture messages to every fake window
    std::map<HWND, WindowState> m_windows;

    HWND CreateCaptureWindow(const char* lpszWindowName, DWORD dwStyle, int x, int y, int nWidth,
                             int nHeight, HWND hWndParent, int nID) override;
    bool GetDriverDescription(UINT wDriverIndex, char* lpszName, int cbName, char* lpszVer,
                              int cbVer) override;

private:
    CCapturePlatform* m_pPrevious;
    static LRESULT CALLBACK WindowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    const FakeDriver* FindDriver(int index) const;
    LRESULT OnCaptureCommandMessage(WindowState& state, UINT message, WPARAM wParam,
                                    LPARAM lParam);
};
