#include "menubarhost.h"

namespace menubarhooks {

CMenuBarHookTarget*& Target() {
    static CMenuBarHookTarget* target = nullptr;
    return target;
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) {
    try {
        if (CMenuBarHookTarget* t = Target()) return t->HandleMouseHook(code, wp, lp);
    } catch (...) { // nothing unwinds through the system's hook chain
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) {
    try {
        if (CMenuBarHookTarget* t = Target()) return t->HandleKeyboardHook(code, wp, lp);
    } catch (...) {
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

} // namespace menubarhooks
