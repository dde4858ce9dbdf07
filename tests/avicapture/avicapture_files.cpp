// Writes AVI files for the host-side checks with ffprobe, and beside each a
// .txt file with what the writer or the capture window reported:
//   avicapture_files writer DIR          multi-block file from the writer
//   avicapture_files limit FILE          capture ended by the time limit
//   avicapture_files abortkey FILE       capture ended with the abort key
//   avicapture_files nolimit FILE        capture until the disk stops it
//   avicapture_files closedbytimer FILE  a timer closes the program's window
//                                        2 s into the capture
//   avicapture_files closedbystatus FILE the status callback closes it at
//                                        the second progress report
//   avicapture_files killed FILE         `nolimit` in a child process that is
//                                        terminated 3 s into its capture; the
//                                        file is then read with AVIFile
//   avicapture_files killedopen FILE     the same, the file only opened (Wine's
//                                        AVIFile aborts reading frames past the
//                                        first RIFF block, closed file or not)
// Every capture goes through the capture window's message protocol.

#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"

namespace {

const char kCopyright[] = "Copyright (C) Mirovanta. All rights reserved.";

std::string g_errors;     // every error callback: "id:text;"
std::string g_statusIds;  // every status callback id, in order
DWORD g_abortAtFrame = 0; // the yield callback presses Esc at this frame
DWORD g_yields = 0;
HWND g_frame = nullptr;       // the program's window that holds the capture window
bool g_closeOnStatus = false; // closedbystatus
DWORD g_progressReports = 0;
DWORD g_streamedFrames = 0;
const char kStartedEvent[] = "avicapture_files capture started";

LRESULT CALLBACK OnError(HWND, int id, LPCSTR text) {
    if (id != 0) {
        g_errors += std::to_string(id) + ":" + (text ? text : "") + ";";
    }
    return TRUE;
}

void CloseFrame() {
    if (g_frame != nullptr) {
        DestroyWindow(g_frame);
        g_frame = nullptr;
    }
}

LRESULT CALLBACK OnStatus(HWND, int id, LPCSTR) {
    if (id != 0) {
        g_statusIds += std::to_string(id) + " ";
    }
    if (id == IDS_CAP_BEGIN) {
        // Tells a parent that waits to kill this process that the capture runs.
        if (HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStartedEvent)) {
            SetEvent(started);
            CloseHandle(started);
        }
    }
    if (id == IDS_CAP_STAT_VIDEOCURRENT && g_closeOnStatus && ++g_progressReports == 2) {
        CloseFrame();
    }
    return TRUE;
}

LRESULT CALLBACK OnVideoStream(HWND, LPVIDEOHDR) {
    ++g_streamedFrames;
    return TRUE;
}

void CALLBACK CloseFrameOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    CloseFrame();
}

LRESULT CALLBACK OnYield(HWND) {
    ++g_yields;
    if (g_abortAtFrame != 0 && g_yields == g_abortAtFrame) {
        keybd_event(VK_ESCAPE, 0, 0, 0);
    }
    return TRUE;
}

bool WriteReport(const std::string& path, const std::string& text) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    fputs(text.c_str(), file);
    fclose(file);
    return true;
}

std::string ReportPath(const std::string& avi) {
    return avi.substr(0, avi.size() - 4) + ".txt";
}

int WriteWriterFile(const std::string& dir) {
    BITMAPINFOHEADER video{};
    video.biSize = sizeof video;
    video.biWidth = 160;
    video.biHeight = 120;
    video.biPlanes = 1;
    video.biBitCount = 24;
    video.biSizeImage = 160 * 120 * 3;
    WAVEFORMATEX audio{WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};

    AviWriterSettings settings;
    settings.videoFormat.assign(reinterpret_cast<BYTE*>(&video),
                                reinterpret_cast<BYTE*>(&video) + sizeof video);
    settings.audioFormat.assign(reinterpret_cast<BYTE*>(&audio),
                                reinterpret_cast<BYTE*>(&audio) + sizeof audio);
    settings.microSecPerFrame = 40000;
    settings.riffBlockBytes = 256 * 1024;
    settings.info.push_back({mmioFOURCC('I', 'C', 'O', 'P'),
                             std::vector<BYTE>(kCopyright, kCopyright + sizeof kCopyright)});
    CAviWriter writer;
    const std::string path = dir + "\\writer.avi";
    if (!writer.Open(path, settings)) {
        return 1;
    }
    std::vector<BYTE> frame(video.biSizeImage);
    std::vector<BYTE> samples(882 * 4); // 40 ms at 22.05 kHz
    for (DWORD n = 0; n < 50; ++n) {
        for (size_t i = 0; i < frame.size(); ++i) {
            frame[i] = static_cast<BYTE>(i * 3 + n * 5);
        }
        // Frame 10 stands for a dropped one: an empty chunk holds its place.
        const DWORD frameBytes = n == 10 ? 0 : static_cast<DWORD>(frame.size());
        if (!writer.WriteVideo(frame.data(), frameBytes, n != 10) ||
            !writer.WriteAudio(samples.data(), static_cast<DWORD>(samples.size()))) {
            return 1;
        }
    }
    if (!writer.Close()) {
        return 1;
    }
    char text[128];
    snprintf(text, sizeof text, "frames=%lu\ndropped=1\nsamples=%lu\nblocks=%lu\n",
             static_cast<unsigned long>(writer.VideoFrames()),
             static_cast<unsigned long>(writer.AudioBlocks()),
             static_cast<unsigned long>(writer.RiffBlocks()));
    return WriteReport(ReportPath(path), text) ? 0 : 1;
}

int Capture(const std::string& mode, const std::string& path) {
    const bool closes = mode == "closedbytimer" || mode == "closedbystatus";
    if (closes) {
        g_frame = CreateWindowExA(0, "STATIC", "program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        g_closeOnStatus = mode == "closedbystatus";
    }
    HWND window = capCreateCaptureWindowA("files", (closes ? WS_CHILD : WS_POPUP) | WS_VISIBLE, 0,
                                          0, 160, 120, g_frame, 0);
    if (window == nullptr || !capDriverConnect(window, 0)) {
        fprintf(stderr, "no capture window or driver\n");
        return 1;
    }
    capSetCallbackOnError(window, OnError);
    capSetCallbackOnStatus(window, OnStatus);
    capSetCallbackOnYield(window, OnYield);
    capSetCallbackOnVideoStream(window, OnVideoStream);

    BITMAPINFO format{};
    capGetVideoFormat(window, &format, sizeof format);
    format.bmiHeader.biWidth = 160;
    format.bmiHeader.biHeight = 120;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    format.bmiHeader.biSizeImage = 160 * 120 * 3;
    capSetVideoFormat(window, &format, sizeof format);

    WAVEFORMATEX audio{WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};
    capSetAudioFormat(window, &audio, sizeof audio);
    capFileSetCaptureFile(window, path.c_str());
    char copyright[sizeof kCopyright];
    memcpy(copyright, kCopyright, sizeof kCopyright);
    CAPINFOCHUNK chunk{mmioFOURCC('I', 'C', 'O', 'P'), copyright, sizeof copyright};
    capFileSetInfoChunk(window, &chunk);

    CAPTUREPARMS parms{};
    capCaptureGetSetup(window, &parms, sizeof parms);
    parms.dwRequestMicroSecPerFrame = 50000;
    parms.fCaptureAudio = TRUE;
    parms.fYield = FALSE;
    parms.wNumVideoRequested = 10;
    parms.fAbortLeftMouse = FALSE;
    parms.fAbortRightMouse = FALSE;
    parms.vKeyAbort = VK_ESCAPE;
    parms.fLimitEnabled = TRUE;
    parms.wTimeLimit = mode == "limit" ? 3 : 60; // the others end long before
    if (mode == "abortkey") {
        g_abortAtFrame = 25;
    }
    capCaptureSetSetup(window, &parms, sizeof parms);
    if (mode == "closedbytimer") {
        SetTimer(nullptr, 0, 2000, CloseFrameOnTimer);
    }

    const BOOL result = capCaptureSequence(window);
    if (closes) {
        // The window went with the program's window: what reached the file
        // is every frame the capture streamed before the close.
        char text[1024];
        snprintf(text, sizeof text,
                 "result=%d\nframes=%lu\ndropped=0\nwindow=%d\nerrors=%s\nstatus=%s\n", result,
                 static_cast<unsigned long>(g_streamedFrames), IsWindow(window), g_errors.c_str(),
                 g_statusIds.c_str());
        return WriteReport(ReportPath(path), text) ? 0 : 1;
    }
    if (g_abortAtFrame != 0) {
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    }
    CAPSTATUS status{};
    capGetStatus(window, &status, sizeof status);
    char text[1024];
    snprintf(
        text, sizeof text,
        "result=%d\nframes=%lu\ndropped=%lu\nsamples=%lu\ncapturing=%d\nerrors=%s\nstatus=%s\n",
        result, static_cast<unsigned long>(status.dwCurrentVideoFrame),
        static_cast<unsigned long>(status.dwCurrentVideoFramesDropped),
        static_cast<unsigned long>(status.dwCurrentWaveSamples), status.fCapturingNow,
        g_errors.c_str(), g_statusIds.c_str());
    capDriverDisconnect(window);
    DestroyWindow(window);
    return WriteReport(ReportPath(path), text) ? 0 : 1;
}

// Reads a stream with AVIFile: its length, the units that read back, and
// the video frames that are empty (dropped).
struct StreamReadBack {
    LONG length = -1;
    LONG readable = 0;
    LONG empty = 0;
};

StreamReadBack ReadStream(PAVIFILE file, DWORD type, bool read) {
    StreamReadBack result;
    PAVISTREAM stream = nullptr;
    if (AVIFileGetStream(file, &stream, type, 0) != AVIERR_OK) {
        return result;
    }
    result.length = AVIStreamLength(stream);
    std::vector<BYTE> buffer(1 << 20);
    // Audio is read a second at a time, video a frame at a time.
    const LONG step = type == streamtypeAUDIO ? 22050 : 1;
    for (LONG at = AVIStreamStart(stream); read && at < result.length; at += step) {
        const LONG units = std::min(step, result.length - at);
        LONG bytes = 0, samples = 0;
        if (AVIStreamRead(stream, at, units, buffer.data(), static_cast<LONG>(buffer.size()),
                          &bytes, &samples) != AVIERR_OK) {
            break;
        }
        result.readable += type == streamtypeAUDIO ? samples : 1;
        result.empty += bytes == 0 ? 1 : 0;
    }
    AVIStreamRelease(stream);
    return result;
}

int KillAndRead(const std::string& path, bool read) {
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, kStartedEvent);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" nolimit \"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (started == nullptr || !CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                              nullptr, nullptr, &startup, &child)) {
        fprintf(stderr, "cannot start the capture\n");
        return 1;
    }
    const bool running = WaitForSingleObject(started, 30000) == WAIT_OBJECT_0;
    Sleep(3000);
    TerminateProcess(child.hProcess, 9);
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(started);
    if (!running) {
        fprintf(stderr, "the capture did not start\n");
        return 1;
    }

    AVIFileInit();
    PAVIFILE file = nullptr;
    const HRESULT opened = AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr);
    StreamReadBack video, audio;
    if (opened == AVIERR_OK) {
        video = ReadStream(file, streamtypeVIDEO, read);
        audio = ReadStream(file, streamtypeAUDIO, read);
        AVIFileRelease(file);
    }
    AVIFileExit();
    char text[512];
    snprintf(text, sizeof text,
             "opened=%ld\nframes=%ld\nreadable=%ld\ndropped=%ld\nsamples=%ld\n"
             "readable_samples=%ld\n",
             static_cast<long>(opened), static_cast<long>(video.length),
             static_cast<long>(video.readable), static_cast<long>(video.empty),
             static_cast<long>(audio.length), static_cast<long>(audio.readable));
    return WriteReport(ReportPath(path), text) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(
            stderr,
            "usage: avicapture_files "
            "writer|limit|abortkey|nolimit|closedbytimer|closedbystatus|killed|killedopen PATH\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "writer") {
        return WriteWriterFile(argv[2]);
    }
    if (mode == "killed" || mode == "killedopen") {
        return KillAndRead(argv[2], mode == "killed");
    }
    return Capture(mode, argv[2]);
}
