#pragma once

// A test double of the platform's capture window and driver list: windows
// that record every capture message they receive with its arguments and
// answer like a capture window with the configured drivers.

#include "platform/CapturePlatform.h"
#include "support/MessageRecorder.h"

#include <vfw.h>

#include <functional>
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
    BOOL hasDialogs = TRUE; // source, format and display dialogs
    WORD bitCount = 16;
    DWORD compression = BI_RGB;
    DWORD colours = 0; // entries of the colour table after the header (biClrUsed)
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
        BITMAPINFOHEADER format{};  // the connected driver's, until a new one is set
        std::vector<DWORD> colours; // the colour table that follows it
        std::string captureFile = "C:\\CAPTURE.AVI";
        // Capture without a file: the stream callbacks and the user data
        // the program installed, and whether it asked the capture to stop.
        CAPVIDEOCALLBACK videoStream = nullptr;
        CAPWAVECALLBACK waveStream = nullptr;
        LPARAM userData = 0;
        bool stopRequested = false;
        CAPYIELDCALLBACK yield = nullptr;
    };
    // A message that carries a path, with the path it carried.
    struct PathMessage {
        UINT message;
        std::string path;
    };
    struct PlaybackCreation {
        HWND parent;
        HINSTANCE instance;
        DWORD style;
        std::string file;
        HWND created;
    };

    std::vector<FakeDriver> m_drivers;
    std::vector<Creation> m_creations;
    std::vector<UINT> m_descriptionQueries;
    MessageRecorder m_recorder; // capture messages to every fake window
    std::map<HWND, WindowState> m_windows;
    std::vector<PathMessage> m_pathMessages;
    std::vector<BITMAPINFOHEADER> m_formatsSet; // headers of WM_CAP_SET_VIDEOFORMAT
    std::vector<PlaybackCreation> m_playbacks;
    bool m_bFailPlayback = false;
    // Called inside WM_CAP_DLG_VIDEOSOURCE and WM_CAP_DLG_VIDEODISPLAY, while the
    // driver's dialog would be up.
    std::function<void(UINT message)> m_onDriverDialog;
    // Called inside WM_CAP_SEQUENCE_NOFILE: the capture, delivering frames
    // and sound through the window's stream callbacks.
    std::function<void(HWND hWnd, WindowState& state)> m_onSequenceNoFile;
    // A driver's refusals, as a card's may answer: the sequence setup, or
    // the capture itself (with its words through the error callback when
    // m_refusalText is given).
    bool m_bRefuseSetup = false;
    bool m_bRefuseSequence = false;
    std::string m_refusalText;
    // Formats answered with a size larger than the buffer they were asked into.
    bool m_bOversizeRecords = false;
    // Records (status, capabilities, parameters, formats) written this many
    // bytes past the buffer they were asked into, as a driver built for a
    // later version of a record writes its own size.
    DWORD m_nRecordOverrun = 0;
    // The size of every playback window.
    static constexpr int kPlaybackWidth = 296;
    static constexpr int kPlaybackHeight = 226;

    HWND CreateCaptureWindow(const char* lpszWindowName, DWORD dwStyle, int x, int y, int nWidth,
                             int nHeight, HWND hWndParent, int nID) override;
    bool GetDriverDescription(UINT wDriverIndex, char* lpszName, int cbName, char* lpszVer,
                              int cbVer) override;
    HWND CreatePlaybackWindow(HWND hWndParent, HINSTANCE hInstance, DWORD dwStyle,
                              const char* lpszFile) override;

private:
    CCapturePlatform* m_pPrevious;
    static LRESULT CALLBACK WindowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT AnswerCaptureMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    const FakeDriver* FindDriver(int index) const;
    LRESULT OnCaptureCommandMessage(WindowState& state, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnStreamMessage(HWND hWnd, WindowState& state, UINT message, LPARAM lParam);
    LRESULT OnFormatOrFileMessage(WindowState& state, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PlaybackProcedure(HWND hWnd, UINT message, WPARAM wParam,
                                              LPARAM lParam);
};
