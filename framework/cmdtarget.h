// Command targets: objects with a message table that commands are routed through, and the
// command-update object that handlers use to enable, check or label a command's UI.
#pragma once
#include "msgmap.h"
#include "runtime.h"

#include <string>

// What OnCmdMsg is asked to do with a command it finds a handler for.
enum class CmdAction { Run, Probe };

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Routes a command (ui == null) or a command update (ui != null) to a handler of this
    // object's table chain. Probe only reports whether a handler exists. Overrides route
    // further (view -> document -> frame -> application).
    virtual bool OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action = CmdAction::Run);
    virtual const msgmap::Map* GetMessageMap() const { return GetThisMessageMap(); }

protected:
    static const msgmap::Map* GetThisMessageMap();
    // Finds the first entry of the table chain that matches; null when none.
    const msgmap::Entry* FindEntry(msgmap::Kind kind, UINT message, UINT code, UINT id) const;
};

// Handed to command-update handlers. The menu, toolbar, status bar and plain-control
// variants override the operations.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0; // position in the menu or bar
    UINT m_nIndexMax = 0;
    HMENU m_hMenu = nullptr; // set while updating a pop-up menu
    HWND m_hOther = nullptr; // the control being updated, when there is one
    bool m_bEnableChanged = false;
    bool m_bContinueRouting = false;

    virtual ~CCmdUI() = default;
    virtual void Enable(bool on = true);
    virtual void SetCheck(int check = 1); // 0 clear, 1 checked, 2 indeterminate
    virtual void SetRadio(bool on = true) { SetCheck(on ? 1 : 0); }
    virtual void SetText(const std::wstring& text);
    void ContinueRouting() { m_bContinueRouting = true; }

    // Asks target for the update; a command without any handler is disabled when asked to.
    bool DoUpdate(CCmdTarget* target, bool disableIfNoHandler);
};
