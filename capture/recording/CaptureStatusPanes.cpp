#include "recording/CaptureStatusPanes.h"

#include "framework/FrameWnd.h"
#include "framework/FrameworkResource.h"
#include "framework/StatusBar.h"
#include "framework/WinApp.h"
#include "resources/resource.h"

#include <cstdio>

namespace {

const UINT kCapturePanes[] = {
    ID_SEPARATOR,
    ID_INDICATOR_CAPTURE_FRAMES,
    ID_INDICATOR_CAPTURE_DROPPED,
    ID_INDICATOR_CAPTURE_SKIPPED,
    ID_INDICATOR_CAPTURE_TIME,
    ID_INDICATOR_CAPTURE_RATE,
    ID_INDICATOR_CAPTURE_FREE,
    ID_INDICATOR_CAPTURE_LEFT,
    ID_INDICATOR_CAPTURE_CLOCK,
};

// The main window's status bar, if it has one.
CStatusBar* MainStatusBar() {
    auto* frame = DynamicDowncast<CFrameWnd>(AfxGetMainWnd());
    return frame != nullptr ? DynamicDowncast<CStatusBar>(frame->GetControlBar(AFX_IDW_STATUS_BAR))
                            : nullptr;
}

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string Duration(ULONGLONG seconds) {
    return Format("%llu:%02llu:%02llu", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

// Bytes a second over the capture so far; 0 before a measurable time.
double BytesPerSecond(const CCaptureFigures& figures) {
    return figures.elapsedMs == 0 ? 0.0 : double(figures.bytes) * 1000.0 / figures.elapsedMs;
}

std::string Megabytes(double bytes) {
    return Format("%.1f MB", bytes / 1e6);
}

// How the clocks went: the sound's against the picture's once measured, and
// the steps of the driver's clock that the frames were re-anchored over.
std::string Clocks(const CCaptureFigures& figures) {
    std::string text;
    if (figures.soundClockKnown)
        text = Format("sound %+.0f ppm", figures.soundClockPpm);
    if (figures.clockSteps != 0) {
        text += text.empty() ? "" : ", ";
        text += Format("%lu clock step%s", ULONG(figures.clockSteps),
                       figures.clockSteps == 1 ? "" : "s");
    }
    return text;
}

} // namespace

CCaptureStatusPanes::CCaptureStatusPanes(DWORD microSecPerFrame, CAPERRORCALLBACKA onError)
    : m_pStatusBar(MainStatusBar()), m_microSecPerFrame(microSecPerFrame), m_onError(onError) {
    if (m_pStatusBar == nullptr)
        return;
    for (int i = 0; i < m_pStatusBar->GetCount(); ++i)
        m_savedIndicators.push_back(m_pStatusBar->GetItemID(i));
    const std::string message = m_pStatusBar->GetPaneText(0);
    m_pStatusBar->SetIndicators(kCapturePanes, int(std::size(kCapturePanes)));
    m_pStatusBar->SetPaneText(0, message.c_str(), false);
}

CCaptureStatusPanes::~CCaptureStatusPanes() {
    if (m_pStatusBar == nullptr || !::IsWindow(m_pStatusBar->m_hWnd))
        return;
    const std::string message = m_pStatusBar->GetPaneText(0);
    m_pStatusBar->SetIndicators(m_savedIndicators.data(), int(m_savedIndicators.size()));
    m_pStatusBar->SetPaneText(0, message.c_str());
}

std::vector<std::string> CCaptureStatusPanes::PaneTexts(const CCaptureFigures& figures) {
    const double rate = BytesPerSecond(figures);
    std::string free, left;
    if (figures.freeKnown) {
        free = figures.freeBytes >= 1000000000ULL
                   ? Format("%.1f GB free", double(figures.freeBytes) / 1e9)
                   : Megabytes(double(figures.freeBytes)) + " free";
        if (rate > 0)
            left = Duration(ULONGLONG(double(figures.freeBytes) / rate)) + " left";
    }
    return {Format("%lu frames", ULONG(figures.frames)),
            Format("%lu dropped", ULONG(figures.dropped)),
            Format("%lu skipped", ULONG(figures.skipped)),
            Duration(figures.elapsedMs / 1000),
            Format("%.1f MB/s", rate / 1e6),
            free,
            left,
            Clocks(figures)};
}

std::string CCaptureStatusPanes::Summary(const CCaptureFigures& figures, DWORD microSecPerFrame,
                                         const char* lpszFile) {
    // The length of the clip: the frames it holds, at their period.
    const ULONGLONG clipMs = ULONGLONG(figures.frames) * microSecPerFrame / 1000;
    const ULONGLONG milliFps = clipMs == 0 ? 0 : ULONGLONG(figures.frames) * 1000000ULL / clipMs;
    return Format("Captured %llu.%03llu sec. %lu frames (%lu dropped) (%llu.%03llu fps), %s at "
                  "%.1f MB/s into %s",
                  clipMs / 1000, clipMs % 1000, ULONG(figures.frames), ULONG(figures.dropped),
                  milliFps / 1000, milliFps % 1000, Megabytes(double(figures.bytes)).c_str(),
                  BytesPerSecond(figures) / 1e6, lpszFile);
}

void CCaptureStatusPanes::OnCaptureProgress(const CCaptureFigures& figures) {
    if (m_pStatusBar == nullptr || !::IsWindow(m_pStatusBar->m_hWnd))
        return;
    const std::vector<std::string> texts = PaneTexts(figures);
    for (size_t i = 0; i < texts.size(); ++i)
        m_pStatusBar->SetPaneText(int(i + 1), texts[i].c_str(), false);
    m_pStatusBar->UpdateWindow();
}

void CCaptureStatusPanes::OnCaptureError(int nID, const char* lpszText) {
    if (m_onError != nullptr)
        m_onError(nullptr, nID, lpszText);
}

void CCaptureStatusPanes::ShowSummary(const CCaptureFigures& figures, const char* lpszFile) {
    if (m_pStatusBar == nullptr || !::IsWindow(m_pStatusBar->m_hWnd))
        return;
    m_pStatusBar->SetPaneText(0, Summary(figures, m_microSecPerFrame, lpszFile).c_str());
}

void CCaptureStatusPanes::ShowNothingCaptured(const char* lpszFile) {
    if (m_pStatusBar == nullptr || !::IsWindow(m_pStatusBar->m_hWnd))
        return;
    const std::string text =
        lpszFile[0] == '\0' ? std::string("Nothing was captured.")
                            : std::string("Nothing was captured; ") + lpszFile + " is unchanged.";
    m_pStatusBar->SetPaneText(0, text.c_str());
}
