// Per-class message tables: window messages, commands, notifications and command-update
// handlers mapped to typed member functions. A class declares its table with
// DECLARE_MESSAGE_MAP() and defines it between BEGIN_MESSAGE_MAP and END_MESSAGE_MAP:
//
//   BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
//       On<WM_CREATE, &CMainFrame::OnCreate>(),
//       Command<&CMainFrame::OnStart>(ID_START),
//       Update<&CMainFrame::OnUpdateStart>(ID_START),
//   END_MESSAGE_MAP()
//
// The handler's signature picks the way its arguments are unpacked (see On<>), so a wrong
// signature fails to compile rather than to run.
#pragma once
#include "types.h"

#include <span>
#include <type_traits>

class CCmdTarget;
class CCmdUI;

namespace msgmap {

enum class Kind : unsigned char { End, Message, Command, Update, Notify };

// wParam/lParam carry the message's own values; for Command the id in wParam;
// for Update the CCmdUI* in lParam; for Notify the NMHDR* in lParam.
using Thunk = LRESULT (*)(CCmdTarget* self, WPARAM wp, LPARAM lp);

struct Entry {
    Kind kind = Kind::End;
    UINT message = 0; // window message (Message, Notify: WM_NOTIFY)
    UINT code = 0;    // notification code (Command, Notify)
    UINT first = 0;   // id range (Command, Update, Notify)
    UINT last = 0;
    Thunk thunk = nullptr;
};

struct Map {
    const Map* (*base)();
    const Entry* entries; // ends with a Kind::End entry
};

template <class T> struct MemFn;
template <class C, class R, class... A> struct MemFn<R (C::*)(A...)> { using Class = C; };
template <auto F> using ClassOf = typename MemFn<decltype(F)>::Class;

template <auto F> ClassOf<F>* Self(CCmdTarget* p) {
    return static_cast<ClassOf<F>*>(p);
}

template <class Sig, auto F> constexpr bool Is = std::is_same_v<decltype(F), Sig ClassOf<F>::*>;

// Unpacks a window message for its handler, chosen by the handler's signature:
//   void()                       no arguments
//   LRESULT(WPARAM, LPARAM)      raw
//   int(LPCREATESTRUCT)          WM_CREATE
//   void(UINT, int, int)         WM_SIZE: type, cx, cy
//   void(UINT, CPoint)           mouse buttons and moves: key flags, client point
//   void(UINT, UINT, UINT)       keys: virtual key, repeat count, flags
//   void(UINT, UINT, HWND)       WM_HSCROLL/WM_VSCROLL: code, position, scroll-bar control
//   BOOL(HDC)                    WM_ERASEBKGND
//   void(HWND)                   WM_SETFOCUS/WM_KILLFOCUS: the other window
//   BOOL(HWND, UINT, UINT)       WM_SETCURSOR: window, hit-test code, mouse message
//   BOOL(UINT, short, CPoint)    WM_MOUSEWHEEL: key flags, delta, screen point
//   void(UINT_PTR)               WM_TIMER
template <auto F> LRESULT Crack(CCmdTarget* p, WPARAM wp, LPARAM lp) {
    auto* s = Self<F>(p);
    if constexpr (Is<void(), F>) {
        (s->*F)();
        return 0;
    } else if constexpr (Is<LRESULT(WPARAM, LPARAM), F>) {
        return (s->*F)(wp, lp);
    } else if constexpr (Is<int(LPCREATESTRUCT), F>) {
        return (s->*F)(reinterpret_cast<LPCREATESTRUCT>(lp));
    } else if constexpr (Is<void(UINT, int, int), F>) {
        (s->*F)(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)),
                static_cast<short>(HIWORD(lp)));
        return 0;
    } else if constexpr (Is<void(UINT, CPoint), F>) {
        (s->*F)(static_cast<UINT>(wp), CPoint::FromLParam(lp));
        return 0;
    } else if constexpr (Is<void(UINT, UINT, UINT), F>) {
        (s->*F)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        return 0;
    } else if constexpr (Is<void(UINT, UINT, HWND), F>) {
        (s->*F)(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return 0;
    } else if constexpr (Is<BOOL(HDC), F>) {
        return (s->*F)(reinterpret_cast<HDC>(wp));
    } else if constexpr (Is<void(HWND), F>) {
        (s->*F)(reinterpret_cast<HWND>(wp));
        return 0;
    } else if constexpr (Is<BOOL(HWND, UINT, UINT), F>) {
        return (s->*F)(reinterpret_cast<HWND>(wp), LOWORD(lp), HIWORD(lp));
    } else if constexpr (Is<BOOL(UINT, short, CPoint), F>) {
        return (s->*F)(LOWORD(wp), static_cast<short>(HIWORD(wp)), CPoint::FromLParam(lp));
    } else if constexpr (Is<void(UINT_PTR), F>) {
        (s->*F)(static_cast<UINT_PTR>(wp));
        return 0;
    } else {
        static_assert(sizeof(F) == 0, "unsupported message handler signature");
    }
}

template <UINT Msg, auto F> constexpr Entry On() {
    return {Kind::Message, Msg, 0, 0, 0, &Crack<F>};
}

template <auto F> LRESULT CallCommand(CCmdTarget* p, WPARAM wp, LPARAM) {
    if constexpr (Is<void(), F>)
        (Self<F>(p)->*F)();
    else
        (Self<F>(p)->*F)(static_cast<UINT>(wp));
    return 0;
}
template <auto F> LRESULT CallUpdate(CCmdTarget* p, WPARAM, LPARAM lp) {
    (Self<F>(p)->*F)(reinterpret_cast<CCmdUI*>(lp));
    return 0;
}
template <auto F> LRESULT CallNotify(CCmdTarget* p, WPARAM, LPARAM lp) {
    LRESULT result = 0;
    (Self<F>(p)->*F)(reinterpret_cast<NMHDR*>(lp), &result);
    return result;
}

// A menu command, accelerator or control notification: void() or void(UINT id).
template <auto F> constexpr Entry Command(UINT id, UINT code = 0) {
    return {Kind::Command, WM_COMMAND, code, id, id, &CallCommand<F>};
}
template <auto F> constexpr Entry CommandRange(UINT first, UINT last, UINT code = 0) {
    return {Kind::Command, WM_COMMAND, code, first, last, &CallCommand<F>};
}
// A command-update handler: void(CCmdUI*).
template <auto F> constexpr Entry Update(UINT id) {
    return {Kind::Update, 0, 0, id, id, &CallUpdate<F>};
}
template <auto F> constexpr Entry UpdateRange(UINT first, UINT last) {
    return {Kind::Update, 0, 0, first, last, &CallUpdate<F>};
}
// A WM_NOTIFY from child id with the given code: void(NMHDR*, LRESULT*).
template <auto F> constexpr Entry Notify(UINT code, UINT id) {
    return {Kind::Notify, WM_NOTIFY, code, id, id, &CallNotify<F>};
}

} // namespace msgmap

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const msgmap::Map* GetThisMessageMap();                                                 \
    const msgmap::Map* GetMessageMap() const override {                                            \
        return GetThisMessageMap();                                                                \
    }

#define BEGIN_MESSAGE_MAP(cls, base)                                                               \
    const msgmap::Map* cls::GetThisMessageMap() {                                                  \
        using namespace msgmap;                                                                    \
        using TheBase = base;                                                                      \
        static constexpr Entry entries[] = {

#define END_MESSAGE_MAP()                                                                          \
    Entry {}                                                                                       \
    }                                                                                              \
    ;                                                                                              \
    static constexpr Map map{&TheBase::GetThisMessageMap, entries};                                \
    return &map;                                                                                   \
    }
