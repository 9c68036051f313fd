#pragma once
// Message maps: a static table of entries per class, walked before the table
// of its base class. Each entry names a message (or a command, a
// notification, a reflected notification) and a thunk that unpacks WPARAM
// and LPARAM once and calls the member that handles it. A thunk's result says
// whether the message was handled; the value for the caller goes into
// Message::result.

#include <windows.h>
#include <shellapi.h>

#include <type_traits>

class CCmdTarget;
class CCmdUI;

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

using MessageThunk = bool (*)(CCmdTarget* target, Message& message);

struct MessageMapEntry {
    UINT message;  // a window message, or one of the kinds below
    UINT code;     // notification code, where the kind has one
    UINT idFirst;  // command or control ids, where the kind has them
    UINT idLast;
    MessageThunk thunk;
};

struct MessageMap {
    const MessageMap* (*base)();
    const MessageMapEntry* entries; // ends with an entry whose thunk is null
};

// Kinds of entries that are not plain window messages.
constexpr UINT kEntryCommand = 0xFFFF0001;       // WM_COMMAND from a menu, accelerator or button
constexpr UINT kEntryUpdateCommand = 0xFFFF0002; // enable state of a command
// Reflected messages: what a parent offers the child control that sent it.
constexpr UINT kReflectBase = WM_USER + 0x1C00;
constexpr UINT kReflectNotify = kReflectBase + WM_NOTIFY;
constexpr UINT kReflectCommand = kReflectBase + WM_COMMAND;
constexpr UINT kReflectCtlColor = kReflectBase + WM_CTLCOLORSTATIC; // every WM_CTLCOLOR* kind

namespace message_map_detail {

template <class F>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using Class = C;
    using Result = R;
};

template <auto Handler>
using ClassOf = typename MemberOf<decltype(Handler)>::Class;

// Calls the handler; a handler returning void has always handled its message,
// one returning bool says whether it has.
template <auto Handler, class... A>
bool Call(CCmdTarget* target, A... args)
{
    auto* self = static_cast<ClassOf<Handler>*>(target);
    if constexpr (std::is_void_v<typename MemberOf<decltype(Handler)>::Result>) {
        (self->*Handler)(args...);
        return true;
    } else {
        return (self->*Handler)(args...);
    }
}

inline POINT PointOf(LPARAM lParam)
{
    return POINT{short(LOWORD(lParam)), short(HIWORD(lParam))};
}

template <auto H> bool Command(CCmdTarget* t, Message&) { return Call<H>(t); }
template <auto H> bool UpdateCommand(CCmdTarget* t, Message& m)
{
    return Call<H>(t, reinterpret_cast<CCmdUI*>(m.lParam));
}
template <auto H> bool Raw(CCmdTarget* t, Message& m)
{
    m.result = (static_cast<ClassOf<H>*>(t)->*H)(m.wParam, m.lParam);
    return true;
}
template <auto H> bool Notify(CCmdTarget* t, Message& m)
{
    return Call<H, NMHDR*, LRESULT&>(t, reinterpret_cast<NMHDR*>(m.lParam), m.result);
}
template <auto H> bool Create(CCmdTarget* t, Message& m)
{
    m.result = (static_cast<ClassOf<H>*>(t)->*H)(reinterpret_cast<LPCREATESTRUCT>(m.lParam));
    return true;
}
template <auto H> bool NoArguments(CCmdTarget* t, Message&) { return Call<H>(t); }
template <auto H> bool Size(CCmdTarget* t, Message& m)
{
    return Call<H, UINT, int, int>(t, UINT(m.wParam), int(short(LOWORD(m.lParam))),
                                   int(short(HIWORD(m.lParam))));
}
template <auto H> bool Timer(CCmdTarget* t, Message& m) { return Call<H, UINT_PTR>(t, UINT_PTR(m.wParam)); }
template <auto H> bool Mouse(CCmdTarget* t, Message& m)
{
    return Call<H, UINT, POINT>(t, UINT(m.wParam), PointOf(m.lParam));
}
template <auto H> bool Key(CCmdTarget* t, Message& m)
{
    return Call<H, UINT, UINT, UINT>(t, UINT(m.wParam), UINT(LOWORD(m.lParam)), UINT(HIWORD(m.lParam)));
}
template <auto H> bool DropFiles(CCmdTarget* t, Message& m)
{
    return Call<H, HDROP>(t, reinterpret_cast<HDROP>(m.wParam));
}
template <auto H> bool SetCursor(CCmdTarget* t, Message& m)
{
    const bool handled = Call<H, HWND, UINT, UINT>(t, reinterpret_cast<HWND>(m.wParam),
                                                   UINT(LOWORD(m.lParam)), UINT(HIWORD(m.lParam)));
    m.result = handled;
    return handled;
}
template <auto H> bool Focus(CCmdTarget* t, Message& m)
{
    return Call<H, HWND>(t, reinterpret_cast<HWND>(m.wParam));
}
// The window that takes the capture comes in lParam.
template <auto H> bool CaptureChanged(CCmdTarget* t, Message& m)
{
    return Call<H, HWND>(t, reinterpret_cast<HWND>(m.lParam));
}
template <auto H> bool CtlColor(CCmdTarget* t, Message& m)
{
    // A reflected WM_CTLCOLOR* carries its CTLCOLOR_* kind in lParam.
    HBRUSH brush = (static_cast<ClassOf<H>*>(t)->*H)(reinterpret_cast<HDC>(m.wParam), UINT(m.lParam));
    m.result = reinterpret_cast<LRESULT>(brush);
    return brush != nullptr;
}
template <auto H> bool GetDlgCode(CCmdTarget* t, Message& m)
{
    m.result = (static_cast<ClassOf<H>*>(t)->*H)();
    return true;
}

} // namespace message_map_detail

#define DECLARE_MESSAGE_MAP()                                                                       \
public:                                                                                             \
    static const MessageMap* GetThisMessageMap();                                                   \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                      \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }               \
    const MessageMap* theClass::GetThisMessageMap()                                                 \
    {                                                                                               \
        using ThisClass [[maybe_unused]] = theClass;                                                \
        using TheBaseClass = baseClass;                                                             \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                                           \
    {0, 0, 0, 0, nullptr}};                                                                         \
    static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries};                      \
    return &map;                                                                                    \
    }

#define MM_ENTRY(message, code, first, last, thunk) {UINT(message), UINT(code), UINT(first), UINT(last), thunk},
#define MM_MSG(message, kind, fn) MM_ENTRY(message, 0, 0, 0, &message_map_detail::kind<&ThisClass::fn>)

#define ON_COMMAND(id, fn) MM_ENTRY(kEntryCommand, 0, id, id, &message_map_detail::Command<&ThisClass::fn>)
#define ON_COMMAND_RANGE(first, last, fn) MM_ENTRY(kEntryCommand, 0, first, last, &message_map_detail::Command<&ThisClass::fn>)
#define ON_UPDATE_COMMAND_UI(id, fn) MM_ENTRY(kEntryUpdateCommand, 0, id, id, &message_map_detail::UpdateCommand<&ThisClass::fn>)
#define ON_NOTIFY(code, id, fn) MM_ENTRY(WM_NOTIFY, code, id, id, &message_map_detail::Notify<&ThisClass::fn>)
#define ON_NOTIFY_REFLECT(code, fn) MM_ENTRY(kReflectNotify, code, 0, 0xFFFF, &message_map_detail::Notify<&ThisClass::fn>)
#define ON_CONTROL_REFLECT(code, fn) MM_ENTRY(kReflectCommand, code, 0, 0xFFFF, &message_map_detail::Command<&ThisClass::fn>)
#define ON_WM_CTLCOLOR_REFLECT(fn) MM_ENTRY(kReflectCtlColor, 0, 0, 0, &message_map_detail::CtlColor<&ThisClass::fn>)
#define ON_MESSAGE(message, fn) MM_MSG(message, Raw, fn)

#define ON_WM_CREATE() MM_MSG(WM_CREATE, Create, OnCreate)
#define ON_WM_CLOSE() MM_MSG(WM_CLOSE, NoArguments, OnClose)
#define ON_WM_DESTROY() MM_MSG(WM_DESTROY, NoArguments, OnDestroy)
#define ON_WM_PAINT() MM_MSG(WM_PAINT, NoArguments, OnPaint)
#define ON_WM_SIZE() MM_MSG(WM_SIZE, Size, OnSize)
#define ON_WM_TIMER() MM_MSG(WM_TIMER, Timer, OnTimer)
#define ON_WM_MOUSEMOVE() MM_MSG(WM_MOUSEMOVE, Mouse, OnMouseMove)
#define ON_WM_LBUTTONDOWN() MM_MSG(WM_LBUTTONDOWN, Mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP() MM_MSG(WM_LBUTTONUP, Mouse, OnLButtonUp)
#define ON_WM_KEYDOWN() MM_MSG(WM_KEYDOWN, Key, OnKeyDown)
#define ON_WM_KEYUP() MM_MSG(WM_KEYUP, Key, OnKeyUp)
#define ON_WM_DROPFILES() MM_MSG(WM_DROPFILES, DropFiles, OnDropFiles)
#define ON_WM_SETCURSOR() MM_MSG(WM_SETCURSOR, SetCursor, OnSetCursor)
#define ON_WM_SETFOCUS() MM_MSG(WM_SETFOCUS, Focus, OnSetFocus)
#define ON_WM_KILLFOCUS() MM_MSG(WM_KILLFOCUS, Focus, OnKillFocus)
#define ON_WM_CAPTURECHANGED() MM_MSG(WM_CAPTURECHANGED, CaptureChanged, OnCaptureChanged)
#define ON_WM_CANCELMODE() MM_MSG(WM_CANCELMODE, NoArguments, OnCancelMode)
#define ON_WM_GETDLGCODE() MM_MSG(WM_GETDLGCODE, GetDlgCode, OnGetDlgCode)
