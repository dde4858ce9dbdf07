// Writes AVI files for the host-side checks with ffprobe, and beside each a
// .txt file with what the writer or the capture window reported:
//   capturefile_files writer DIR          multi-block file from the writer
//   capturefile_files writerfull FILE [RESERVE]
//                                         the writer until its free-space
//                                         check stops it
//   capturefile_files writerkilled FILE BLOCK
//                                         the writer, checkpointing twice a
//                                         second in BLOCK-byte RIFF blocks, in
//                                         a child process terminated 3 s in;
//                                         the file is then read with AVIFile
//                                         and its indexes with RiffReader
//   capturefile_files writerkilledthird FILE BLOCK
//                                         the same, terminated 1.5 s into its
//                                         third RIFF block; AVIFile only opens
//                                         it (Wine's aborts reading frames past
//                                         the first RIFF block, closed file or
//                                         not)
//   capturefile_files writerloop FILE BLOCK [SIGNAL_AT_BLOCK]
//                                         the child of those two
//   capturefile_files limit FILE          capture ended by the time limit
//   capturefile_files abortkey FILE       capture ended with the abort key
//   capturefile_files nolimit FILE        capture until the disk or the file's
//                                         largest size stops it
//   capturefile_files closedbytimer FILE  a timer closes the program's window
//                                         2 s into the capture
//   capturefile_files closedbystatus FILE the status callback closes it at
//                                         the second progress report
//   capturefile_files killed FILE         `nolimit` in a child process that is
//                                         terminated 3 s into its capture
//   capturefile_files readback FILE       the file read with AVIFile, into
//                                         FILE's name with .read.txt
// Every capture goes through the capture window's message protocol.

#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"
#include "support/DialogScript.h"
#include "support/RiffReader.h"

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
const char kStartedEvent[] = "capturefile_files capture started";

void SignalStarted() {
    if (HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStartedEvent)) {
        SetEvent(started);
        CloseHandle(started);
    }
}

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
        SignalStarted(); // a parent waiting to kill this process
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

// As a program's yield callback does: with one installed, the capture
// window leaves the program's messages (the timer that closes its window)
// to it.
LRESULT CALLBACK OnYield(HWND) {
    ++g_yields;
    if (g_abortAtFrame != 0 && g_yields == g_abortAtFrame) {
        keybd_event(VK_ESCAPE, 0, 0, 0);
    }
    PumpWaitingMessages();
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

// A capture may fill its disk to the last byte: the report's room is taken
// before it starts, and the report written into it.
class CReservedReport {
public:
    explicit CReservedReport(const std::string& path) : m_file(fopen(path.c_str(), "wb")) {
        if (m_file != nullptr) {
            const std::string room(kRoom, '\n');
            fputs(room.c_str(), m_file);
            fflush(m_file);
        }
    }
    ~CReservedReport() {
        if (m_file != nullptr) {
            fclose(m_file);
        }
    }
    CReservedReport(const CReservedReport&) = delete;
    CReservedReport& operator=(const CReservedReport&) = delete;

    // Over the room's first lines; the rest stays blank lines.
    bool Write(const std::string& text) {
        if (m_file == nullptr || text.size() > kRoom) {
            return false;
        }
        rewind(m_file);
        return fputs(text.c_str(), m_file) >= 0 && fflush(m_file) == 0;
    }

private:
    static constexpr size_t kRoom = 2048;
    FILE* m_file;
};

std::string ReportPath(const std::string& avi) {
    return avi.substr(0, avi.size() - 4) + ".txt";
}

constexpr DWORD kFrameBytes = 160 * 120 * 3;
constexpr DWORD kAudioBlockBytes = 4; // 16-bit stereo

AviWriterSettings SampleSettings() {
    BITMAPINFOHEADER video{};
    video.biSize = sizeof video;
    video.biWidth = 160;
    video.biHeight = 120;
    video.biPlanes = 1;
    video.biBitCount = 24;
    video.biSizeImage = kFrameBytes;
    WAVEFORMATEX audio{WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};

    AviWriterSettings settings;
    settings.videoFormat.assign(reinterpret_cast<BYTE*>(&video),
                                reinterpret_cast<BYTE*>(&video) + sizeof video);
    settings.audioFormat.assign(reinterpret_cast<BYTE*>(&audio),
                                reinterpret_cast<BYTE*>(&audio) + sizeof audio);
    settings.microSecPerFrame = 40000;
    settings.info.push_back({mmioFOURCC('I', 'C', 'O', 'P'),
                             std::vector<BYTE>(kCopyright, kCopyright + sizeof kCopyright)});
    return settings;
}

void FillFrame(std::vector<BYTE>& frame, DWORD n) {
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<BYTE>(i * 3 + n * 5);
    }
}

std::string WriterReport(const CAviWriter& writer, DWORD dropped) {
    char text[160];
    snprintf(text, sizeof text, "frames=%lu\ndropped=%lu\nsamples=%lu\nblocks=%lu\nerror=%lu\n",
             static_cast<unsigned long>(writer.VideoFrames()), static_cast<unsigned long>(dropped),
             static_cast<unsigned long>(writer.AudioBlocks()),
             static_cast<unsigned long>(writer.RiffBlocks()),
             static_cast<unsigned long>(writer.LastError()));
    return text;
}

int WriteWriterFile(const std::string& dir) {
    AviWriterSettings settings = SampleSettings();
    settings.riffBlockBytes = 256 * 1024;
    CAviWriter writer;
    const std::string path = dir + "\\writer.avi";
    if (!writer.Open(path, settings)) {
        return 1;
    }
    std::vector<BYTE> frame(kFrameBytes);
    std::vector<BYTE> samples(882 * kAudioBlockBytes); // 40 ms at 22.05 kHz
    for (DWORD n = 0; n < 50; ++n) {
        FillFrame(frame, n);
        // Frame 10 stands for a dropped one: an empty chunk holds its place.
        const DWORD frameBytes = n == 10 ? 0 : kFrameBytes;
        if (!writer.WriteVideo(frame.data(), frameBytes, n != 10) ||
            !writer.WriteAudio(samples.data(), static_cast<DWORD>(samples.size()))) {
            return 1;
        }
    }
    if (!writer.Close()) {
        return 1;
    }
    return WriteReport(ReportPath(path), WriterReport(writer, 1)) ? 0 : 1;
}

// Writes until the writer refuses a chunk: with its free-space check, on a
// small disk or with a reserve that leaves little of a large one.
int WriteUntilRefused(const std::string& path, ULONGLONG reserve) {
    AviWriterSettings settings = SampleSettings();
    settings.freeSpaceReserve = reserve;
    CAviWriter writer;
    if (!writer.Open(path, settings)) {
        return 1;
    }
    std::vector<BYTE> frame(kFrameBytes);
    std::vector<BYTE> samples(882 * kAudioBlockBytes);
    for (DWORD n = 0; n < 100000; ++n) {
        FillFrame(frame, n);
        if (!writer.WriteVideo(frame.data(), kFrameBytes) ||
            !writer.WriteAudio(samples.data(), static_cast<DWORD>(samples.size()))) {
            break;
        }
    }
    const bool closed = writer.Close();
    return WriteReport(ReportPath(path),
                       WriterReport(writer, 0) + "closed=" + std::to_string(closed) +
                           "\nspace=" + std::to_string(writer.StoppedForSpace()) + "\n")
               ? 0
               : 1;
}

// 20 frames a second with their sound, made readable twice a second, for
// a minute at most: the parent kills it long before. It tells the parent
// when it starts RIFF block `signalAtBlock`, and the frames written by then
// (in FILE's name with .start.txt).
int WriteUntilKilled(const std::string& path, ULONGLONG riffBlockBytes, DWORD signalAtBlock) {
    AviWriterSettings settings = SampleSettings();
    settings.frameRate = 20;
    settings.riffBlockBytes = riffBlockBytes;
    CAviWriter writer;
    if (!writer.Open(path, settings)) {
        return 1;
    }
    bool signalled = false;
    auto signalAtBlockStart = [&] {
        if (!signalled && writer.RiffBlocks() >= signalAtBlock) {
            signalled = true;
            WriteReport(path.substr(0, path.size() - 4) + ".start.txt",
                        "started_frames=" + std::to_string(writer.VideoFrames()) + "\n");
            SignalStarted();
        }
    };
    signalAtBlockStart();
    std::vector<BYTE> frame(kFrameBytes);
    ULONGLONG blocks = 0;
    const DWORD start = GetTickCount();
    for (DWORD n = 0; n < 1200; ++n) {
        FillFrame(frame, n);
        const ULONGLONG blocksDue = (n + 1) * 22050ULL / 20;
        const std::vector<BYTE> samples((blocksDue - blocks) * kAudioBlockBytes);
        blocks = blocksDue;
        if (!writer.WriteVideo(frame.data(), kFrameBytes) ||
            !writer.WriteAudio(samples.data(), static_cast<DWORD>(samples.size())) ||
            (n % 10 == 9 && !writer.Checkpoint())) {
            return 1;
        }
        signalAtBlockStart();
        const DWORD due = start + (n + 1) * 50;
        const DWORD now = GetTickCount();
        Sleep(static_cast<LONG>(due - now) > 0 ? due - now : 0);
    }
    return 0;
}

int Capture(const std::string& mode, const std::string& path) {
    CReservedReport report(ReportPath(path));
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
        return report.Write(text) ? 0 : 1;
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
    return report.Write(text) ? 0 : 1;
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

// `child` (arguments of this program) in a child process, terminated
// `afterMs` after it said it started.
bool RunAndKill(const std::string& child, DWORD afterMs = 3000) {
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, kStartedEvent);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" " + child;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (started == nullptr || !CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                              nullptr, nullptr, &startup, &process)) {
        fprintf(stderr, "cannot start %s\n", child.c_str());
        return false;
    }
    const bool running = WaitForSingleObject(started, 30000) == WAIT_OBJECT_0;
    Sleep(afterMs);
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(started);
    if (!running) {
        fprintf(stderr, "%s did not start\n", child.c_str());
    }
    return running;
}

// Reads the file with AVIFile (only opens it unless `read`) into `report`.
int ReadBack(const std::string& path, bool read, const std::string& report) {
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
    return WriteReport(report, text) ? 0 : 1;
}

// What the index structures of the file list (read from them, not by
// walking the movie lists), appended to `report`.
int ReportIndexes(const std::string& path, const std::string& report) {
    const RiffFile file(path);
    const AviIndexes indexes = ReadAviIndexes(file);
    size_t idx1Frames = 0, odmlFrames = 0, odmlSamples = 0, blocks = 0;
    if (indexes.ok && indexes.streams.size() == 2) {
        idx1Frames = indexes.streams[0].idx1.size();
        odmlFrames = indexes.streams[0].odml.size();
        for (const IndexedChunk& chunk : indexes.streams[1].odml) {
            odmlSamples += chunk.size / kAudioBlockBytes;
        }
        blocks = indexes.streams[0].blockDurations.size();
    }
    FILE* out = fopen(report.c_str(), "ab");
    if (out == nullptr) {
        return 1;
    }
    fprintf(out,
            "indexes_ok=%d\nidx1_frames=%u\nodml_frames=%u\nodml_samples=%u\n"
            "index_blocks=%u\nbad_entries=%u\n",
            indexes.ok ? 1 : 0, static_cast<unsigned>(idx1Frames),
            static_cast<unsigned>(odmlFrames), static_cast<unsigned>(odmlSamples),
            static_cast<unsigned>(blocks), static_cast<unsigned>(indexes.badEntries.size()));
    fclose(out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: capturefile_files "
                        "writer|writerfull|writerkilled|writerkilledthird|limit|abortkey|nolimit|"
                        "closedbytimer|closedbystatus|killed|readback PATH [NUMBER]\n");
        return 2;
    }
    const std::string mode = argv[1];
    const std::string path = argv[2];
    const ULONGLONG number = argc > 3 ? std::strtoull(argv[3], nullptr, 0) : 0;
    const std::string quoted = "\"" + path + "\"";
    if (mode == "writer") {
        return WriteWriterFile(path);
    }
    if (mode == "writerfull") {
        return WriteUntilRefused(path, number);
    }
    if (mode == "writerloop") {
        return WriteUntilKilled(path, number, argc > 4 ? std::strtoul(argv[4], nullptr, 0) : 1);
    }
    if (mode == "writerkilled" || mode == "writerkilledthird") {
        const bool first = mode == "writerkilled";
        const std::string child =
            "writerloop " + quoted + " " + std::to_string(number) + (first ? " 1" : " 3");
        return RunAndKill(child, first ? 3000 : 1500) &&
                       ReadBack(path, first, ReportPath(path)) == 0
                   ? ReportIndexes(path, ReportPath(path))
                   : 1;
    }
    if (mode == "killed") {
        return RunAndKill("nolimit " + quoted) ? ReadBack(path, true, ReportPath(path)) : 1;
    }
    if (mode == "readback") {
        return ReadBack(path, true, path.substr(0, path.size() - 4) + ".read.txt");
    }
    return Capture(mode, path);
}
