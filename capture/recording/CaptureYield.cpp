#include "recording/CaptureYield.h"

#include "session/CaptureWindowServices.h"

namespace {

// The capture being yielded for; captures run one inside another only when
// a second view's capture starts from a paint or a timer, which this very
// callback prevents, but the innermost is the one to serve.
CCaptureYield* g_pCurrent = nullptr;

// A paint whose window never validates itself would come back forever; the
// rest waits for the next frame's yield.
constexpr int kMostMessagesPerYield = 200;

bool IsClick(UINT message) {
    return (message >= WM_LBUTTONDOWN && message <= WM_MOUSELAST) ||
           (message >= WM_NCLBUTTONDOWN && message <= WM_NCXBUTTONDBLCLK);
}

bool IsKey(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

bool IsKeyPress(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

} // namespace

CCaptureYield::CCaptureYield(HWND hWndCap, UINT vKeyAbort)
    : m_hWndCap(hWndCap), m_vKeyAbort(vKeyAbort & 0xFF), m_pOuter(g_pCurrent) {
    g_pCurrent = this;
    capwnd::Send(m_hWndCap, WM_CAP_SET_CALLBACK_YIELD, 0,
                 reinterpret_cast<LPARAM>(&CCaptureYield::OnYield));
}

CCaptureYield::~CCaptureYield() {
    capwnd::Send(m_hWndCap, WM_CAP_SET_CALLBACK_YIELD, 0, 0);
    g_pCurrent = m_pOuter;
    for (size_t n = 0; n < m_nHeld; ++n) {
        const MSG& msg = m_held[n];
        if (msg.message == WM_QUIT)
            ::PostQuitMessage(int(msg.wParam));
        else if (::IsWindow(msg.hwnd))
            ::PostMessageA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
}

LRESULT CALLBACK CCaptureYield::OnYield(HWND) {
    return g_pCurrent != nullptr ? g_pCurrent->ServeQueue() : TRUE;
}

LRESULT CCaptureYield::ServeQueue() {
    MSG msg;
    for (int n = 0; n < kMostMessagesPerYield && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
         ++n) {
        switch (FateOf(msg)) {
        case Fate::Dispatch:
            ::DispatchMessageA(&msg);
            break;
        case Fate::Drop:
            break;
        case Fate::Hold:
            Hold(msg);
            break;
        }
    }
    return m_bStopAsked ? FALSE : TRUE;
}

CCaptureYield::Fate CCaptureYield::FateOf(const MSG& msg) const {
    if (msg.message == WM_CLOSE || msg.message == WM_QUIT ||
        (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE))
        return Fate::Hold;
    if (msg.message == WM_COMMAND || msg.message == WM_SYSCOMMAND || IsClick(msg.message))
        return Fate::Drop;
    // The abort key reaches the capture window as the platform expects it.
    if (IsKey(msg.message))
        return IsKeyPress(msg.message) && msg.wParam == m_vKeyAbort ? Fate::Dispatch : Fate::Drop;
    return Fate::Dispatch;
}

// The capture stops at its next frame; the close waits for its end.
void CCaptureYield::Hold(const MSG& msg) {
    if (!m_bStopAsked) {
        m_bStopAsked = true;
        capwnd::Stop(m_hWndCap);
    }
    for (size_t n = 0; n < m_nHeld; ++n) {
        if (m_held[n].hwnd == msg.hwnd && m_held[n].message == msg.message)
            return;
    }
    if (m_nHeld < m_held.size())
        m_held[m_nHeld++] = msg;
}
