#pragma once
// The shipped capture.exe, started and driven from this separate process as
// a user would drive it: through its windows, menus and dialogs.

#include <windows.h>

#include <string>
#include <vector>

#include "capture/resources/resource.h"
#include "framework/FrameworkResource.h"
#include "support/WindowText.h"

// Command ids of the program's menus, by the names of its resources.
namespace command {
constexpr UINT kFileNew = ID_FILE_NEW;
constexpr UINT kSetCaptureFile = ID_FILE_OPEN;
constexpr UINT kSaveCapturedVideoAs = ID_FILE_SAVE_AS;
constexpr UINT kSaveSingleFrame = ID_FILE_SAVESINGLEFRAME;
constexpr UINT kOverlay = ID_OPTIONS_OVERLAY;
constexpr UINT kPreview = ID_OPTIONS_PREVIEW;
constexpr UINT kVideoFormat = ID_OPTIONS_VIDEOFORMAT;
constexpr UINT kVideoSource = ID_OPTIONS_VIDEOSOURCE;
constexpr UINT kVideoDisplay = ID_OPTIONS_VIDEODISPLAY;
constexpr UINT kVideoCompression = ID_OPTIONS_VIDEOCOMPRESSION;
constexpr UINT kCaptureVideo = ID_CAPTURE_VIDEO;
constexpr UINT kCaptureSetup = ID_CAPTURE_SETUP;
constexpr UINT kSingleFrame = ID_CAPTURE_SINGLEFRAME;
constexpr UINT kPlaybackWindow = ID_VIEW_PLAYBACK;
constexpr UINT kEditCopy = ID_EDIT_COPY;
constexpr UINT kAbout = ID_APP_ABOUT;
} // namespace command

// One item of a menu as the program shows it.
struct MenuItem {
    UINT id;
    bool enabled;
    bool checked;
    std::string text;
};

// The client size of a window.
SIZE ClientSize(HWND hWnd);
// Waits until the window's text is `text`; false if it is not after `ms`.
bool WaitForText(HWND hWnd, const std::string& text, int ms = 5000);
// Waits until the window is gone; false if it is still there after `ms`.
bool WaitUntilGone(HWND hWnd, int ms = 10000);

class CaptureProgram {
public:
    CaptureProgram() = default;
    CaptureProgram(const CaptureProgram&) = delete;
    CaptureProgram& operator=(const CaptureProgram&) = delete;
    // Ends the program if it still runs.
    ~CaptureProgram();

    // Starts capture.exe from `folder` (null: this program's folder) and
    // waits for its main window and some live video.
    bool Start(const char* folder = nullptr);
    // Closes the main window; the program's exit code, or -1 if it had to be
    // ended by force.
    int Close();

    HWND Main() const { return m_hMain; }
    // The running program's process (its handle and id).
    const PROCESS_INFORMATION& Process() const { return m_process; }
    HWND StatusBar() const;
    // The active MDI child frame, its view, and the view's capture window.
    HWND ChildFrame() const;
    HWND View() const;
    HWND CaptureWindow() const;
    // The window of the given class among the view's children (the playback
    // window, for one).
    HWND ViewChild(const char* className) const;

    // A menu or toolbar command, posted as a click would send it.
    void Command(UINT id) const;
    // The program's visible dialog box (class #32770) whose title starts with
    // `title`, waited for up to `ms`.
    HWND WaitForDialog(const char* title, int ms = 10000) const;
    // The items of the main menu's submenu at `position`, read inside the
    // program by the probe library.
    std::vector<MenuItem> ReadMenu(int position) const;

private:
    PROCESS_INFORMATION m_process{};
    HWND m_hMain = nullptr;
};
