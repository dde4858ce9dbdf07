// A seeded monkey: runs the shipped program on the software capture device,
// normal or in one of the device's fault modes, and gives it random commands,
// random answers in every dialog and sheet, captures interrupted by Esc or by
// closing a window, new windows and driver switches. After each action the
// program must still run and answer within 5 seconds.
//   capture_monkey SECONDS SEED LOG SCRATCH_FOLDER [ACTIONS_PER_RUN]
// (runs of 10 to 49 actions unless told; long runs show a leak.)
// Each run is logged with its seed; that seed given as SEED replays the run
// first (its actions, not their timing).

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "CaptureProgram.h"
#include "support/DialogScript.h"
#include "support/SettingsKeyGuard.h"

namespace {

// The device's fault modes (SOFTCAP_FAULTS); "" is the normal device.
// clang-format off
const char* const kFaultModes[] = {
    "",           "",              "",            "",
    "fail",       "size-0",        "size-1",      "size-huge",
    "size-lie",   "bits-0",        "palette",     "formats",
    "long-names", "callbacks",     "no-window",   "dialogs",
    "alloc",      "drop",          "frame-bytes", "sound-bytes",
    "refuse",     "refuse-silent", "jitter",      "stall",
    "clockjump",  "refuse,callbacks",
    "callbacks,dialogs,formats",   "frame-bytes,sound-bytes,jitter"};
// clang-format on

// The menu commands besides Capture Video, New and the drivers.
const UINT kCommands[] = {command::kSetCaptureFile,   command::kSaveCapturedVideoAs,
                          command::kSaveSingleFrame,  command::kOverlay,
                          command::kPreview,          command::kVideoFormat,
                          command::kVideoSource,      command::kVideoDisplay,
                          command::kVideoCompression, command::kCaptureSetup,
                          command::kSingleFrame,      command::kPlaybackWindow,
                          command::kEditCopy,         command::kAbout};
const char* const kTexts[] = {"", "0", "1", "15", "30", "-3", "99999", "abc", "2.5", "65535"};
constexpr UINT kAnswerMs = 5000;

struct Memory {
    SIZE_T privateKb = 0, workingSetKb = 0;
};

Memory MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return {};
    // The pagefile usage is the private bytes (Wine leaves PrivateUsage 0).
    return {counters.PagefileUsage / 1024, counters.WorkingSetSize / 1024};
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) CALLBACK -> BOOL {
            if (IsWindowVisible(child) && IsWindowEnabled(child))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

LRESULT SendWithin(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, &result);
    return LRESULT(result);
}

class Monkey {
public:
    Monkey(FILE* log, std::string scratch, int runActions)
        : m_log(log), m_scratch(std::move(scratch)), m_runActions(runActions) {}

    int runs = 0, actions = 0, crashes = 0, hangs = 0;
    int dialogsInCaptures = 0;  // dialogs a command opened while a capture ran
    Memory firstStart, lastEnd; // the first run's start, the last run's end
    long mostGrowthKb = 0;      // the most private memory a run gained

    // One run of the program, at most `ms` long.
    void Run(unsigned seed, DWORD ms) {
        m_random.seed(seed);
        const char* faults = kFaultModes[Pick(std::size(kFaultModes))];
        SetEnvironmentVariableA("SOFTCAP_FAULTS", faults);
        Log("run %d seed %u faults '%s'", ++runs, seed, faults);
        SettingsKeyGuard settings; // the sheet's answers are put back after the run
        CaptureProgram program;
        m_program = &program;
        m_ended = false;
        if (!program.Start()) {
            Log("CRASH: the program did not come up");
            ++crashes;
            return;
        }
        const Memory start = MemoryOf(program.Process().hProcess);
        Memory now = start;
        const DWORD end = GetTickCount() + ms;
        const int length = m_runActions > 0 ? m_runActions : 10 + Pick(40);
        for (int n = 0; n < length && !m_ended && GetTickCount() < end; ++n, ++actions) {
            Act(n);
            AnswerDialogs(8000);
            if (!Healthy())
                return;
            now = m_ended ? now : MemoryOf(program.Process().hProcess);
        }
        Log("memory: start %lu KB private, %lu KB working set; end %lu KB, %lu KB",
            ULONG(start.privateKb), ULONG(start.workingSetKb), ULONG(now.privateKb),
            ULONG(now.workingSetKb));
        firstStart = runs == 1 ? start : firstStart;
        lastEnd = now;
        mostGrowthKb = std::max(mostGrowthKb, long(now.privateKb) - long(start.privateKb));
        const int code = program.Close();
        if (!m_ended && code != 0) {
            Log("CRASH: exit code %d at close", code);
            ++crashes;
        }
    }

    void Log(const char* format, ...) {
        va_list args;
        va_start(args, format);
        std::vfprintf(m_log, format, args);
        va_end(args);
        std::fputc('\n', m_log);
        std::fflush(m_log);
    }

private:
    int Pick(size_t n) { return int(std::uniform_int_distribution<size_t>(0, n - 1)(m_random)); }

    void Act(int n) {
        const int choice = n == 0 ? -1 : Pick(12);
        if (choice < 0) {
            Log("#%d Set Capture File", n);
            m_program->Command(command::kSetCaptureFile);
        } else if (choice < 6) {
            const UINT id = kCommands[Pick(std::size(kCommands))];
            Log("#%d command %u", n, id);
            m_program->Command(id);
        } else if (choice < 8) {
            Capture(n);
        } else if (choice == 8) {
            Log("#%d New", n);
            m_program->Command(command::kFileNew);
        } else if (choice == 9) {
            Log("#%d close the capture window", n);
            PostMessageA(m_program->ChildFrame(), WM_CLOSE, 0, 0);
        } else {
            const UINT driver = 200 + UINT(Pick(10));
            Log("#%d driver %u", n, driver - 200);
            m_program->Command(driver);
        }
    }

    // Capture Video, confirmed, then ended by Esc or by closing a window.
    void Capture(int n) {
        Log("#%d Capture Video", n);
        m_program->Command(command::kCaptureVideo);
        HWND prompt = m_program->WaitForDialog("", 3000);
        if (prompt == nullptr || WindowText(GetDlgItem(prompt, 0xFFFF)).rfind("Select OK", 0) != 0)
            return;
        const int how = Pick(8);
        EndDialogWith(prompt, how == 0 ? IDCANCEL : IDOK);
        if (how == 0)
            return Log("  cancelled");
        TryACommandDuringTheCapture();
        const DWORD ms = 300 + DWORD(Pick(2500));
        Sleep(ms);
        if (how < 6) {
            Log("  Esc after %lu ms", ms);
            INPUT keys[2] = {};
            keys[0].type = keys[1].type = INPUT_KEYBOARD;
            keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(1, &keys[0], sizeof(INPUT));
            Sleep(150);
            SendInput(1, &keys[1], sizeof(INPUT));
        } else if (how == 6) {
            Log("  capture window closed after %lu ms", ms);
            PostMessageA(m_program->ChildFrame(), WM_CLOSE, 0, 0);
        } else {
            Log("  program closed after %lu ms", ms);
            m_ended = true;
            PostMessageA(m_program->Main(), WM_CLOSE, 0, 0);
        }
    }

    // A command that reaches the program while it captures into its own file
    // is taken away, so that no dialog opens in the middle of the capture. A
    // command the program took once the capture had ended may open its dialog:
    // by then the status bar shows its own panes again.
    void TryACommandDuringTheCapture() {
        static const struct {
            UINT id;
            const char* title;
        } kDialogs[] = {{command::kCaptureSetup, "Capture Setup"},
                        {command::kVideoFormat, "Video Format"},
                        {command::kAbout, "About VideoCapture"}};
        const auto& tried = kDialogs[Pick(std::size(kDialogs))];
        const DWORD start = GetTickCount();
        while (!CapturingToItsOwnFile()) {
            if (GetTickCount() - start > 1000)
                return;
            Sleep(20);
        }
        m_program->Command(tried.id);
        if (m_program->WaitForDialog(tried.title, 300) != nullptr && CapturingToItsOwnFile()) {
            Log("DIALOG: %s opened during a capture", tried.title);
            ++dialogsInCaptures;
        }
    }

    // The program's own capture shows its nine panes in the status bar.
    bool CapturingToItsOwnFile() const {
        return SendMessageA(m_program->StatusBar(), SB_GETPARTS, 0, 0) == 9;
    }

    // The program's topmost dialog that takes input, if any.
    HWND TopDialog() const {
        struct Search {
            DWORD process;
            HWND found;
        } search{m_program->Process().dwProcessId, nullptr};
        EnumWindows(
            [](HWND hWnd, LPARAM lParam) CALLBACK -> BOOL {
                auto* s = reinterpret_cast<Search*>(lParam);
                DWORD process = 0;
                GetWindowThreadProcessId(hWnd, &process);
                if (process != s->process || !IsWindowVisible(hWnd) || !IsWindowEnabled(hWnd) ||
                    ClassName(hWnd) != "#32770")
                    return TRUE;
                s->found = hWnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // Answers whatever the program shows until it shows nothing for a while;
    // a dialog still up at the end is cancelled.
    void AnswerDialogs(DWORD ms) {
        const DWORD end = GetTickCount() + ms;
        for (DWORD idle = 0; idle < 500 && !m_ended && GetTickCount() < end + 5000;) {
            HWND dialog = TopDialog();
            if (dialog == nullptr) {
                idle += 100;
                Sleep(100);
                continue;
            }
            idle = 0;
            if (GetTickCount() < end) {
                Answer(dialog);
            } else {
                Log("  still open, cancelled: '%s'", WindowText(dialog).c_str());
                EndDialogWith(dialog, IDCANCEL);
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
            Sleep(200);
        }
    }

    void Answer(HWND dialog) {
        const std::string title = WindowText(dialog);
        if (GetDlgItem(dialog, cmb13) != nullptr || GetDlgItem(dialog, edt1) != nullptr) {
            if (Pick(4) == 0) {
                Log("  '%s': Cancel", title.c_str());
                return EndDialogWith(dialog, IDCANCEL);
            }
            const std::string name = m_scratch + "\\m" + std::to_string(m_names++);
            Log("  '%s': %s", title.c_str(), name.c_str());
            return FileDialogChoose(dialog, name);
        }
        HWND page = HWND(SendWithin(dialog, PSM_GETCURRENTPAGEHWND, 0, 0));
        for (int steps = Pick(4); steps > 0; --steps) {
            if (page != nullptr) {
                HWND tabs = HWND(SendWithin(dialog, PSM_GETTABCONTROL, 0, 0));
                const int count = int(SendWithin(tabs, TCM_GETITEMCOUNT, 0, 0));
                SendWithin(dialog, PSM_SETCURSEL, WPARAM(Pick(std::max(count, 1))), 0);
                page = HWND(SendWithin(dialog, PSM_GETCURRENTPAGEHWND, 0, 0));
            }
            Fiddle(page != nullptr ? page : dialog);
        }
        const int button = Pick(3);
        if (page != nullptr) {
            const int buttons[] = {PSBTN_OK, PSBTN_CANCEL, PSBTN_APPLYNOW};
            Log("  '%s': button %d", title.c_str(), buttons[button]);
            PostMessageA(dialog, PSM_PRESSBUTTON, WPARAM(buttons[button]), 0);
            PostMessageA(dialog, WM_NULL, 0, 0); // a modal sheet notices its end at a message
        } else {
            Log("  '%s': %s", title.c_str(), button == 0 ? "Cancel" : "OK");
            EndDialogWith(dialog, button == 0 ? IDCANCEL : IDOK);
        }
    }

    // One random change to one control: text, a click, a trackbar, a list.
    void Fiddle(HWND window) {
        const std::vector<HWND> controls = Children(window);
        if (controls.empty())
            return;
        HWND control = controls[Pick(controls.size())];
        const std::string kind = ClassName(control);
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        const int id = GetDlgCtrlID(control);
        HWND parent = GetParent(control);
        if (kind == "Edit" && (style & ES_READONLY) == 0) {
            const char* text = kTexts[Pick(std::size(kTexts))];
            Log("    #%d text '%s'", id, text);
            SendWithin(control, WM_SETTEXT, 0, LPARAM(text));
        } else if (kind == "Button" && ((style & 0xF) >= BS_CHECKBOX || Pick(6) == 0)) {
            Log("    #%d click", id);
            PostMessageA(control, BM_CLICK, 0, 0);
        } else if (kind == "msctls_trackbar32") {
            const LRESULT low = SendWithin(control, TBM_GETRANGEMIN, 0, 0);
            const LRESULT high = SendWithin(control, TBM_GETRANGEMAX, 0, 0);
            const LRESULT pos = low + Pick(size_t(std::max<LRESULT>(high - low, 0) + 1));
            Log("    #%d trackbar %ld", id, long(pos));
            SendWithin(control, TBM_SETPOS, TRUE, pos);
            const UINT scroll = (style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
            PostMessageA(parent, scroll, MAKEWPARAM(TB_THUMBTRACK, pos), LPARAM(control));
            PostMessageA(parent, scroll, MAKEWPARAM(TB_ENDTRACK, 0), LPARAM(control));
        } else if (kind == "ComboBox") {
            const LRESULT count = SendWithin(control, CB_GETCOUNT, 0, 0);
            if (count > 0) {
                const int entry = Pick(size_t(count));
                Log("    #%d entry %d", id, entry);
                SendWithin(control, CB_SETCURSEL, WPARAM(entry), 0);
                PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(control));
            }
        }
    }

    // The program still runs (or ended as asked, with 0) and answers.
    bool Healthy() {
        HANDLE process = m_program->Process().hProcess;
        DWORD_PTR result = 0;
        if (!m_ended && SendMessageTimeoutA(m_program->Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                            5000, &result) != 0)
            return true;
        if (WaitForSingleObject(process, m_ended ? 15000 : 1000) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            if (m_ended && code == 0)
                return Log("  ended with exit code 0"), true;
            Log("CRASH: the program ended with exit code %lu", code);
            ++crashes;
        } else {
            Log("HANG: no answer within 5 seconds");
            ++hangs;
        }
        m_ended = true;
        return false;
    }

    FILE* m_log;
    std::string m_scratch;
    std::mt19937 m_random;
    CaptureProgram* m_program = nullptr;
    bool m_ended = false; // the program was closed (or died)
    int m_names = 0;
    int m_runActions;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: capture_monkey SECONDS SEED LOG SCRATCH_FOLDER\n");
        return 2;
    }
    const DWORD totalMs = DWORD(std::strtoul(argv[1], nullptr, 10)) * 1000;
    const unsigned seed = unsigned(std::strtoul(argv[2], nullptr, 10));
    FILE* log = std::fopen(argv[3], "w");
    if (log == nullptr)
        return 2;
    CreateDirectoryA(argv[4], nullptr);
    Monkey monkey(log, argv[4], argc > 5 ? std::atoi(argv[5]) : 0);
    std::mt19937 seeds(seed);
    const DWORD start = GetTickCount();
    for (unsigned runSeed = seed; GetTickCount() - start < totalMs; runSeed = seeds())
        monkey.Run(runSeed, totalMs - (GetTickCount() - start));
    monkey.Log("memory: first start %lu KB private, %lu KB working set; last end %lu KB, %lu KB; "
               "most a run gained %ld KB private",
               ULONG(monkey.firstStart.privateKb), ULONG(monkey.firstStart.workingSetKb),
               ULONG(monkey.lastEnd.privateKb), ULONG(monkey.lastEnd.workingSetKb),
               monkey.mostGrowthKb);
    monkey.Log("monkey: seed %u, %lu s: %d runs, %d actions, %d crashes, %d hangs, "
               "%d dialogs during captures",
               seed, ULONG((GetTickCount() - start) / 1000), monkey.runs, monkey.actions,
               monkey.crashes, monkey.hangs, monkey.dialogsInCaptures);
    std::fclose(log);
    return monkey.crashes + monkey.hangs + monkey.dialogsInCaptures == 0 ? 0 : 1;
}
