// Measures sequence capture on the program's own path: the capture window
// (the software capture device) captures without a file and hands every
// frame to the program's CFileCapture, whose writer thread writes the
// OpenDML file; 640 x 480 RGB 24 at 30 frames per second:
//   avicapture_bench realtime FOLDER SECONDS   real-time capture: drops, CPU
//                                              of the whole capturing process
//                                              (realtime-keep keeps the file;
//                                              realtime-hfyu compresses with the
//                                              program's HuffYUV codec)
//   avicapture_bench unpaced FOLDER SECONDS [ROUNDS]
//                                              SECONDS of video delivered as fast
//                                              as the device renders, next to a
//                                              plain write of the same bytes,
//                                              in turns, ROUNDS (3) of each
//                                              (unpaced-keep keeps the file)
//   avicapture_bench rawframes FILE SECONDS    the same frames as raw BGR24
//                                              (for ffmpeg)
// Prints "key=value" lines.

#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"
#include "capturefile/AviWriterThread.h"
#include "hfyucodec/hfyucodec.h"
#include "recording/FileCapture.h"

namespace {

constexpr LONG kWidth = 640;
constexpr LONG kHeight = 480;
constexpr DWORD kFrameBytes = kWidth * kHeight * 3;
constexpr DWORD kMicroSecPerFrame = 33333;

std::string g_errors;
FILE* g_rawFile = nullptr;

LRESULT CALLBACK OnError(HWND, int id, LPCSTR text) {
    if (id != 0) {
        g_errors += std::to_string(id) + ":" + (text ? text : "") + " ";
    }
    return TRUE;
}

LRESULT CALLBACK IgnoreFrame(HWND, LPVIDEOHDR) {
    return TRUE;
}

LRESULT CALLBACK OnVideoStream(HWND, LPVIDEOHDR header) {
    if (g_rawFile != nullptr && header != nullptr) {
        fwrite(header->lpData, 1, header->dwBytesUsed, g_rawFile);
    }
    return TRUE;
}

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

class CaptureWindow {
public:
    CaptureWindow() {
        m_window = capCreateCaptureWindowA("bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight,
                                           nullptr, 0);
        if (m_window == nullptr || !capDriverConnect(m_window, 0)) {
            return;
        }
        capSetCallbackOnError(m_window, OnError);
        BITMAPINFO format{};
        capGetVideoFormat(m_window, &format, sizeof format);
        format.bmiHeader.biWidth = kWidth;
        format.bmiHeader.biHeight = kHeight;
        format.bmiHeader.biBitCount = 24;
        format.bmiHeader.biCompression = BI_RGB;
        format.bmiHeader.biSizeImage = kFrameBytes;
        m_ready = capSetVideoFormat(m_window, &format, sizeof format) != FALSE;
    }
    ~CaptureWindow() {
        if (m_window != nullptr) {
            capDriverDisconnect(m_window);
            DestroyWindow(m_window);
        }
    }
    CaptureWindow(const CaptureWindow&) = delete;
    CaptureWindow& operator=(const CaptureWindow&) = delete;

    bool Ready() const { return m_ready; }
    HWND Window() const { return m_window; }

    // Captures `seconds` of video: the time limit counts frames, so an
    // unpaced capture takes as many frames as a real-time one. To a file,
    // the program's own writer writes it.
    BOOL Capture(const std::string& file, DWORD seconds, bool toFile,
                 COMPVARS* compressor = nullptr) {
        capFileSetCaptureFile(m_window, file.c_str());
        const CAPTUREPARMS parms = Parms(seconds);
        if (toFile) {
            CFileCapture capture(m_window, m_listener);
            CFileCapture::Settings settings;
            settings.parms = parms;
            settings.compressor = compressor;
            const BOOL ok = capture.Run(settings) ? TRUE : FALSE;
            m_figures = capture.Figures();
            return ok;
        }
        CAPTUREPARMS sent = parms;
        capCaptureSetSetup(m_window, &sent, sizeof sent);
        return capCaptureSequenceNoFile(m_window);
    }
    // What the program's writer placed in the file: frames and empty chunks.
    const CCaptureFigures& Figures() const { return m_figures; }
    CAPTUREPARMS Parms(DWORD seconds) {
        CAPTUREPARMS parms{};
        capCaptureGetSetup(m_window, &parms, sizeof parms);
        parms.dwRequestMicroSecPerFrame = kMicroSecPerFrame;
        parms.fCaptureAudio = FALSE;
        parms.fAbortLeftMouse = FALSE;
        parms.fAbortRightMouse = FALSE;
        parms.wNumVideoRequested = 30;
        parms.fLimitEnabled = TRUE;
        parms.wTimeLimit = seconds;
        parms.wPercentDropForError = 100;
        return parms;
    }
    CAPSTATUS Status() const {
        CAPSTATUS status{};
        capGetStatus(m_window, &status, sizeof status);
        return status;
    }

private:
    // The program's capture reports here what it would show its user.
    class Listener final : public CCaptureListener {
    public:
        void OnCaptureProgress(const CCaptureFigures&) override {}
        void OnCaptureError(int id, const char* text) override { OnError(nullptr, id, text); }
    };
    HWND m_window = nullptr;
    bool m_ready = false;
    Listener m_listener;
    CCaptureFigures m_figures;
};

// Seconds a plain sequential write of `frames` frames takes, frame by frame,
// flushed at the end as the capture flushes its file.
double PlainWrite(const std::string& path, DWORD frames) {
    std::vector<BYTE> frame(kFrameBytes, 0x5A);
    const double start = Now();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    for (DWORD n = 0; n < frames; ++n) {
        DWORD written = 0;
        WriteFile(file, frame.data(), kFrameBytes, &written, nullptr);
    }
    FlushFileBuffers(file);
    CloseHandle(file);
    const double seconds = Now() - start;
    DeleteFileA(path.c_str());
    return seconds;
}

// Seconds the device's writer thread and AVI writer take for `frames` ready
// frames (a few distinct ones in turn), flushed and closed at the end.
double g_writerOnlyCpuSeconds = 0; // of the last WriterOnly

double WriterOnly(const std::string& path, DWORD frames) {
    BITMAPINFOHEADER format{};
    format.biSize = sizeof format;
    format.biWidth = kWidth;
    format.biHeight = kHeight;
    format.biPlanes = 1;
    format.biBitCount = 24;
    format.biSizeImage = kFrameBytes;
    AviWriterSettings settings;
    settings.videoFormat.resize(sizeof format);
    memcpy(settings.videoFormat.data(), &format, sizeof format);
    settings.microSecPerFrame = kMicroSecPerFrame;
    std::vector<std::vector<BYTE>> sources(4, std::vector<BYTE>(kFrameBytes));
    for (size_t n = 0; n < sources.size(); ++n) {
        memset(sources[n].data(), static_cast<int>(n * 40), kFrameBytes);
    }
    const double start = Now();
    const double cpuBefore = ProcessCpuSeconds();
    CAviWriter writer;
    if (!writer.Open(path, settings)) {
        return 0;
    }
    {
        CAviWriterThread thread(writer, kFrameBytes, 30);
        for (DWORD n = 0; n < frames; ++n) {
            BYTE* buffer = thread.WaitForBuffer();
            if (buffer == nullptr) {
                break;
            }
            // The copy stands for the frame arriving from the source.
            memcpy(buffer, sources[n % sources.size()].data(), kFrameBytes);
            thread.QueueFrame(buffer);
        }
        thread.Finish();
    }
    writer.Close();
    const double seconds = Now() - start;
    g_writerOnlyCpuSeconds = ProcessCpuSeconds() - cpuBefore;
    DeleteFileA(path.c_str());
    return seconds;
}

// The program's HuffYUV codec as the user's choice in Video Compression.
COMPVARS HuffYuvChoice() {
    HfyuInstallForProcess();
    COMPVARS vars{};
    vars.cbSize = sizeof vars;
    vars.dwFlags = ICMF_COMPVARS_VALID;
    vars.fccType = ICTYPE_VIDEO;
    vars.fccHandler = HFYU_FOURCC;
    vars.hic = ICOpen(ICTYPE_VIDEO, HFYU_FOURCC, ICMODE_COMPRESS);
    return vars;
}

int RealTime(const std::string& folder, DWORD seconds, bool keep, bool huffyuv) {
    CaptureWindow capture;
    if (!capture.Ready()) {
        fprintf(stderr, "no 640x480 RGB 24 capture window\n");
        return 1;
    }
    const char* key = huffyuv ? "hfyu_realtime" : "realtime";
    if (!huffyuv) {
        // The device alone, first: the same capture handing its frames to a
        // callback that takes nothing (the device renders every frame whole
        // when a callback may see it). What the program adds is the rest.
        capSetCallbackOnVideoStream(capture.Window(), IgnoreFrame);
        const double sourceCpuBefore = ProcessCpuSeconds();
        capture.Capture("", seconds, false);
        const double sourceCpu = ProcessCpuSeconds() - sourceCpuBefore;
        const DWORD sourceFrames = capture.Status().dwCurrentVideoFrame;
        capSetCallbackOnVideoStream(capture.Window(), nullptr);
        printf("device_only_cpu_ms_per_frame=%.2f\n",
               sourceFrames ? sourceCpu * 1000 / sourceFrames : 0.0);
    }

    COMPVARS choice = huffyuv ? HuffYuvChoice() : COMPVARS{};
    const std::string file = folder + (huffyuv ? "\\realtime-hfyu.avi" : "\\realtime.avi");
    const double cpuBefore = ProcessCpuSeconds();
    const double start = Now();
    const BOOL ok = capture.Capture(file, seconds, true, huffyuv ? &choice : nullptr);
    const double wall = Now() - start;
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    if (huffyuv) {
        ICCompressorFree(&choice);
    }
    const CCaptureFigures& figures = capture.Figures();
    printf("%s_ok=%d\n", key, ok);
    printf("%s_seconds=%.2f\n", key, wall);
    printf("%s_frames=%lu\n", key, static_cast<unsigned long>(figures.frames));
    printf("%s_dropped=%lu\n", key, static_cast<unsigned long>(figures.dropped));
    printf("%s_cpu_ms_per_frame=%.2f\n", key, figures.frames ? cpu * 1000 / figures.frames : 0.0);
    printf("%s_cpu_percent=%.1f\n", key, wall > 0 ? cpu * 100 / wall : 0.0);
    printf("%s_errors=%s\n", key, g_errors.c_str());
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (huffyuv && GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &attributes)) {
        printf("%s_file_bytes=%llu\n", key,
               static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32 |
                   attributes.nFileSizeLow);
    }
    // The compressed file stays for run.sh to read with ffprobe.
    if (!keep && !huffyuv) {
        DeleteFileA(file.c_str());
    }
    return ok ? 0 : 1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::string Joined(const std::vector<double>& values) {
    std::string text;
    for (double value : values) {
        char number[32];
        snprintf(number, sizeof number, "%s%.3f", text.empty() ? "" : ",", value);
        text += number;
    }
    return text;
}

// The unthrottled capture and the plain write of the same bytes take turns,
// `rounds` times each: the disk's pace changes from second to second on a
// shared machine (write-back of other files), and the medians of turns
// taken side by side compare the two under the same conditions.
int Unpaced(const std::string& folder, DWORD seconds, bool keep, int rounds) {
    SetEnvironmentVariableA("SOFTCAP_CAPTURE_UNPACED", "1");
    CaptureWindow capture;
    if (!capture.Ready()) {
        fprintf(stderr, "no 640x480 RGB 24 capture window\n");
        return 1;
    }
    const std::string file = folder + "\\unpaced.avi";
    std::vector<double> captureTimes, plainTimes;
    BOOL ok = TRUE;
    CCaptureFigures figures;
    std::vector<double> dropped;
    for (int round = 0; round < rounds; ++round) {
        // Each turn writes a new file, as the plain write does.
        DeleteFileA(file.c_str());
        const double start = Now();
        ok = capture.Capture(file, seconds, true) && ok;
        captureTimes.push_back(Now() - start);
        figures = capture.Figures();
        dropped.push_back(figures.dropped);
        // A frame that found every buffer waiting for the disk is an empty
        // chunk: the plain write writes the frames that reached the file.
        plainTimes.push_back(PlainWrite(folder + "\\plain.bin", figures.frames - figures.dropped));
    }
    const double captureSeconds = Median(captureTimes);
    const double plainSeconds = Median(plainTimes);
    const DWORD captured = figures.frames - figures.dropped;
    const double megabytes = static_cast<double>(captured) * kFrameBytes / 1e6;
    const double writerSeconds = WriterOnly(folder + "\\writer.avi", captured);
    // The frame source alone: the same capture without a file.
    const double sourceStart = Now();
    capture.Capture("", seconds, false);
    const double sourceSeconds = Now() - sourceStart;
    printf("unpaced_ok=%d\n", ok);
    printf("unpaced_frames=%lu\n", static_cast<unsigned long>(captured));
    printf("unpaced_dropped=%lu\n", static_cast<unsigned long>(figures.dropped));
    printf("unpaced_rounds_dropped=%s\n", Joined(dropped).c_str());
    printf("unpaced_rounds_seconds=%s\n", Joined(captureTimes).c_str());
    printf("plain_write_rounds_seconds=%s\n", Joined(plainTimes).c_str());
    printf("unpaced_seconds=%.3f\n", captureSeconds);
    printf("unpaced_fps=%.1f\n", captured / captureSeconds);
    printf("unpaced_mb_per_s=%.1f\n", megabytes / captureSeconds);
    printf("plain_write_seconds=%.3f\n", plainSeconds);
    printf("plain_write_mb_per_s=%.1f\n", plainSeconds > 0 ? megabytes / plainSeconds : 0.0);
    printf("capture_to_plain_ratio=%.2f\n",
           captureSeconds > 0 ? plainSeconds / captureSeconds : 0.0);
    printf("writer_only_seconds=%.3f\n", writerSeconds);
    printf("writer_only_mb_per_s=%.1f\n", writerSeconds > 0 ? megabytes / writerSeconds : 0.0);
    printf("writer_to_plain_ratio=%.2f\n", writerSeconds > 0 ? plainSeconds / writerSeconds : 0.0);
    // The copy of each frame and its writing, without the device.
    printf("writer_only_cpu_ms_per_frame=%.2f\n",
           captured ? g_writerOnlyCpuSeconds * 1000 / captured : 0.0);
    printf("source_only_fps=%.1f\n", capture.Status().dwCurrentVideoFrame / sourceSeconds);
    printf("unpaced_errors=%s\n", g_errors.c_str());
    if (!keep) {
        DeleteFileA(file.c_str());
    }
    return ok ? 0 : 1;
}

int RawFrames(const std::string& path, DWORD seconds) {
    SetEnvironmentVariableA("SOFTCAP_CAPTURE_UNPACED", "1");
    CaptureWindow capture;
    if (!capture.Ready()) {
        return 1;
    }
    g_rawFile = fopen(path.c_str(), "wb");
    if (g_rawFile == nullptr) {
        return 1;
    }
    capSetCallbackOnVideoStream(capture.Window(), OnVideoStream);
    const BOOL ok = capture.Capture("", seconds, false);
    fclose(g_rawFile);
    g_rawFile = nullptr;
    printf("raw_frames=%lu\n", static_cast<unsigned long>(capture.Status().dwCurrentVideoFrame));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        fprintf(stderr,
                "usage: avicapture_bench realtime[-keep|-hfyu]|unpaced[-keep]|rawframes PATH N "
                "[ROUNDS]\n");
        return 2;
    }
    const std::string mode = argv[1];
    const DWORD count = static_cast<DWORD>(strtoul(argv[3], nullptr, 10));
    if (mode == "realtime" || mode == "realtime-keep" || mode == "realtime-hfyu") {
        return RealTime(argv[2], count, mode == "realtime-keep", mode == "realtime-hfyu");
    }
    if (mode == "unpaced" || mode == "unpaced-keep") {
        const int rounds = argc == 5 ? std::max(atoi(argv[4]), 1) : 3;
        return Unpaced(argv[2], count, mode == "unpaced-keep", rounds);
    }
    if (mode == "rawframes") {
        return RawFrames(argv[2], count);
    }
    return 2;
}
