#pragma once

// Message maps: one static table per class, chained to the base class's
// table. Each entry binds a window message, a command (one id or a range), a
// command-update request or a control notification to a member function.
// Entries are built by the typed functions below; the call in each thunk
// checks the handler's signature at compile time, so the classes that use a
// map need no casts. The ON_... macros only name the handler.

#include <windows.h>

#include <cstdint>

class CCmdTarget;
class CCmdUI;
class CWnd;

// Command codes besides the controls' own notification codes.
constexpr int CN_COMMAND = 0;            // a menu item, an accelerator or a button click
constexpr int CN_UPDATE_COMMAND_UI = -1; // a request for a command's enabled and checked state

// Sent by the application at idle time to the main window and its
// descendants, so that control bars update their command states.
constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;

// What a thunk receives: the window message, or the command being routed.
struct MessageInvocation {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    UINT id = 0;               // commands and notifications: the command or control id
    CCmdUI* cmdUI = nullptr;   // command-update requests
    NMHDR* nmhdr = nullptr;    // WM_NOTIFY
    LRESULT* result = nullptr; // WM_NOTIFY: the notification's result
};

enum class EntryKind : std::uint8_t {
    End,
    Message,        // window messages first..last (in idFirst..idLast)
    Command,        // WM_COMMAND with this code, from ids first..last
    UpdateCommand,  // command-update requests for ids first..last
    Notify,         // WM_NOTIFY with this code, from controls first..last
    ReflectCommand, // a WM_COMMAND notification reflected back to the control
    ReflectNotify,  // a WM_NOTIFY notification reflected back to the control
};

using MessageThunk = LRESULT (*)(CCmdTarget& target, const MessageInvocation& invocation);

struct MessageMapEntry {
    EntryKind kind = EntryKind::End;
    int code = 0;
    UINT idFirst = 0;
    UINT idLast = 0;
    MessageThunk thunk = nullptr;

    constexpr bool Matches(EntryKind k, UINT id) const {
        return kind == k && idFirst <= id && id <= idLast;
    }
};

struct MessageMap {
    const MessageMap* (*pfnGetBaseMap)(); // null for the root of the chain
    const MessageMapEntry* entries;       // ends with an EntryKind::End entry
};

namespace msgmap {

template <class T> T& As(CCmdTarget& target) {
    return static_cast<T&>(target);
}

// --- Commands and notifications -------------------------------------------

template <class T, auto F> constexpr MessageMapEntry Command(UINT id, int code = CN_COMMAND) {
    return {EntryKind::Command, code, id, id, [](CCmdTarget& t, const MessageInvocation&) {
                (As<T>(t).*F)();
                return LRESULT(0);
            }};
}

template <class T, auto F>
constexpr MessageMapEntry CommandRange(UINT idFirst, UINT idLast, int code = CN_COMMAND) {
    return {EntryKind::Command, code, idFirst, idLast,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(m.id);
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry UpdateCommand(UINT idFirst, UINT idLast) {
    return {EntryKind::UpdateCommand, CN_UPDATE_COMMAND_UI, idFirst, idLast,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(m.cmdUI);
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry Notify(int code, UINT idFirst, UINT idLast) {
    return {EntryKind::Notify, code, idFirst, idLast,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(m.nmhdr, m.result);
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry ReflectCommand(int code) {
    return {EntryKind::ReflectCommand, code, 0, 0xFFFF,
            [](CCmdTarget& t, const MessageInvocation&) {
                (As<T>(t).*F)();
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry ReflectNotify(int code) {
    return {EntryKind::ReflectNotify, code, 0, 0xFFFF,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(m.nmhdr, m.result);
                return LRESULT(0);
            }};
}

// --- Window messages, with their arguments cracked -------------------------

template <class T, auto F> constexpr MessageMapEntry Message(UINT message) {
    return {EntryKind::Message, 0, message, message, [](CCmdTarget& t, const MessageInvocation& m) {
                return LRESULT((As<T>(t).*F)(m.wParam, m.lParam));
            }};
}

template <class T, auto F> constexpr MessageMapEntry Create() {
    return {EntryKind::Message, 0, WM_CREATE, WM_CREATE,
            [](CCmdTarget& t, const MessageInvocation& m) {
                return LRESULT((As<T>(t).*F)(reinterpret_cast<LPCREATESTRUCTA>(m.lParam)));
            }};
}

// Messages whose handlers take no argument and return nothing.
template <class T, auto F> constexpr MessageMapEntry Plain(UINT message) {
    return {EntryKind::Message, 0, message, message, [](CCmdTarget& t, const MessageInvocation&) {
                (As<T>(t).*F)();
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry Size() {
    return {EntryKind::Message, 0, WM_SIZE, WM_SIZE, [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(UINT(m.wParam), int(short(LOWORD(m.lParam))),
                              int(short(HIWORD(m.lParam))));
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry Move() {
    return {EntryKind::Message, 0, WM_MOVE, WM_MOVE, [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(int(short(LOWORD(m.lParam))), int(short(HIWORD(m.lParam))));
                return LRESULT(0);
            }};
}

// WM_SETFOCUS, WM_KILLFOCUS, WM_PALETTECHANGED: the other window, as an object.
CWnd* WindowFromWParam(WPARAM wParam);

template <class T, auto F> constexpr MessageMapEntry WithWindow(UINT message) {
    return {EntryKind::Message, 0, message, message, [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(WindowFromWParam(m.wParam));
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry QueryEndSession() {
    return {EntryKind::Message, 0, WM_QUERYENDSESSION, WM_QUERYENDSESSION,
            [](CCmdTarget& t, const MessageInvocation&) {
                return LRESULT((As<T>(t).*F)());
            }};
}

template <class T, auto F> constexpr MessageMapEntry WindowPosChanging() {
    return {EntryKind::Message, 0, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGING,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(reinterpret_cast<WINDOWPOS*>(m.lParam));
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry InitMenuPopup() {
    return {EntryKind::Message, 0, WM_INITMENUPOPUP, WM_INITMENUPOPUP,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(reinterpret_cast<HMENU>(m.wParam), UINT(LOWORD(m.lParam)),
                              BOOL(HIWORD(m.lParam)));
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry MenuSelect() {
    return {EntryKind::Message, 0, WM_MENUSELECT, WM_MENUSELECT,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(UINT(LOWORD(m.wParam)), UINT(HIWORD(m.wParam)),
                              reinterpret_cast<HMENU>(m.lParam));
                return LRESULT(0);
            }};
}

// WM_HSCROLL and WM_VSCROLL: the scroll code, the position, the control.
template <class T, auto F> constexpr MessageMapEntry Scroll(UINT message) {
    return {EntryKind::Message, 0, message, message, [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(UINT(LOWORD(m.wParam)), UINT(HIWORD(m.wParam)),
                              WindowFromWParam(WPARAM(m.lParam)));
                return LRESULT(0);
            }};
}

template <class T, auto F> constexpr MessageMapEntry Timer() {
    return {EntryKind::Message, 0, WM_TIMER, WM_TIMER,
            [](CCmdTarget& t, const MessageInvocation& m) {
                (As<T>(t).*F)(UINT_PTR(m.wParam));
                return LRESULT(0);
            }};
}

// Every WM_CTLCOLORxxx: the control's DC, the control, and its kind (CTLCOLOR_...).
template <class T, auto F> constexpr MessageMapEntry CtlColor() {
    return {EntryKind::Message, 0, WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC,
            [](CCmdTarget& t, const MessageInvocation& m) {
                return reinterpret_cast<LRESULT>((As<T>(t).*F)(
                    reinterpret_cast<HDC>(m.wParam), WindowFromWParam(WPARAM(m.lParam)),
                    UINT(m.message - WM_CTLCOLORMSGBOX)));
            }};
}

} // namespace msgmap

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const MessageMap* GetThisMessageMap();                                                  \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const MessageMap* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const MessageMap* theClass::GetThisMessageMap() {                                              \
        using ThisClass [[maybe_unused]] = theClass;                                               \
        using TheBaseClass = baseClass;                                                            \
        static constexpr MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                                          \
    MessageMapEntry {}                                                                             \
    }                                                                                              \
    ;                                                                                              \
    static constexpr MessageMap messageMap{&TheBaseClass::GetThisMessageMap, entries};             \
    return &messageMap;                                                                            \
    }

// Commands and notifications.
#define ON_COMMAND(id, fn) msgmap::Command<ThisClass, &ThisClass::fn>(id),
#define ON_COMMAND_RANGE(idFirst, idLast, fn)                                                      \
    msgmap::CommandRange<ThisClass, &ThisClass::fn>(idFirst, idLast),
#define ON_UPDATE_COMMAND_UI(id, fn) msgmap::UpdateCommand<ThisClass, &ThisClass::fn>(id, id),
#define ON_UPDATE_COMMAND_UI_RANGE(idFirst, idLast, fn)                                            \
    msgmap::UpdateCommand<ThisClass, &ThisClass::fn>(idFirst, idLast),
#define ON_CONTROL(code, id, fn) msgmap::Command<ThisClass, &ThisClass::fn>(id, code),
#define ON_CONTROL_RANGE(code, idFirst, idLast, fn)                                                \
    msgmap::CommandRange<ThisClass, &ThisClass::fn>(idFirst, idLast, code),
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_NOTIFY(code, id, fn) msgmap::Notify<ThisClass, &ThisClass::fn>(code, id, id),
#define ON_NOTIFY_RANGE(code, idFirst, idLast, fn)                                                 \
    msgmap::Notify<ThisClass, &ThisClass::fn>(code, idFirst, idLast),
#define ON_CONTROL_REFLECT(code, fn) msgmap::ReflectCommand<ThisClass, &ThisClass::fn>(code),
#define ON_NOTIFY_REFLECT(code, fn) msgmap::ReflectNotify<ThisClass, &ThisClass::fn>(code),

// Window messages.
#define ON_MESSAGE(message, fn) msgmap::Message<ThisClass, &ThisClass::fn>(message),
#define ON_WM_CREATE() msgmap::Create<ThisClass, &ThisClass::OnCreate>(),
#define ON_WM_DESTROY() msgmap::Plain<ThisClass, &ThisClass::OnDestroy>(WM_DESTROY),
#define ON_WM_CLOSE() msgmap::Plain<ThisClass, &ThisClass::OnClose>(WM_CLOSE),
#define ON_WM_PAINT() msgmap::Plain<ThisClass, &ThisClass::OnPaint>(WM_PAINT),
#define ON_WM_SIZE() msgmap::Size<ThisClass, &ThisClass::OnSize>(),
#define ON_WM_MOVE() msgmap::Move<ThisClass, &ThisClass::OnMove>(),
#define ON_WM_SETFOCUS() msgmap::WithWindow<ThisClass, &ThisClass::OnSetFocus>(WM_SETFOCUS),
#define ON_WM_KILLFOCUS() msgmap::WithWindow<ThisClass, &ThisClass::OnKillFocus>(WM_KILLFOCUS),
#define ON_WM_PALETTECHANGED()                                                                     \
    msgmap::WithWindow<ThisClass, &ThisClass::OnPaletteChanged>(WM_PALETTECHANGED),
#define ON_WM_QUERYENDSESSION() msgmap::QueryEndSession<ThisClass, &ThisClass::OnQueryEndSession>(),
#define ON_WM_WINDOWPOSCHANGING()                                                                  \
    msgmap::WindowPosChanging<ThisClass, &ThisClass::OnWindowPosChanging>(),
#define ON_WM_INITMENUPOPUP() msgmap::InitMenuPopup<ThisClass, &ThisClass::OnInitMenuPopup>(),
#define ON_WM_MENUSELECT() msgmap::MenuSelect<ThisClass, &ThisClass::OnMenuSelect>(),
#define ON_WM_HSCROLL() msgmap::Scroll<ThisClass, &ThisClass::OnHScroll>(WM_HSCROLL),
#define ON_WM_VSCROLL() msgmap::Scroll<ThisClass, &ThisClass::OnVScroll>(WM_VSCROLL),
#define ON_WM_TIMER() msgmap::Timer<ThisClass, &ThisClass::OnTimer>(),
#define ON_WM_CTLCOLOR() msgmap::CtlColor<ThisClass, &ThisClass::OnCtlColor>(),
