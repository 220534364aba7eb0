#include "cmdtarget.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const msgmap::Map* CCmdTarget::GetThisMessageMap() {
    static constexpr msgmap::Entry entries[] = {msgmap::Entry{}};
    static constexpr msgmap::Map map{nullptr, entries};
    return &map;
}

const msgmap::Entry* CCmdTarget::FindEntry(msgmap::Kind kind, UINT message, UINT code,
                                           UINT id) const {
    using msgmap::Kind;
    for (const msgmap::Map* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const msgmap::Entry* e = map->entries; e->kind != Kind::End; ++e) {
            if (e->kind != kind) continue;
            switch (kind) {
            case Kind::Message:
                if (e->message == message) return e;
                break;
            case Kind::Command:
            case Kind::Notify:
                if (e->code == code && id >= e->first && id <= e->last) return e;
                break;
            case Kind::Update:
                if (id >= e->first && id <= e->last) return e;
                break;
            case Kind::End:
                break;
            }
        }
    }
    return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action) {
    using msgmap::Kind;
    const auto* e = ui ? FindEntry(Kind::Update, 0, 0, id)
                       : FindEntry(Kind::Command, WM_COMMAND, static_cast<UINT>(code), id);
    if (!e) return false;
    if (action == CmdAction::Probe) return true;
    if (ui) {
        ui->m_bContinueRouting = false;
        e->thunk(this, id, reinterpret_cast<LPARAM>(ui));
        return !ui->m_bContinueRouting;
    }
    e->thunk(this, id, 0);
    return true;
}

void CCmdUI::Enable(bool on) {
    if (m_hMenu) {
        EnableMenuItem(m_hMenu, m_nIndex,
                       MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_hOther) {
        // Never leave the focus on a control that is being disabled.
        if (!on && GetFocus() == m_hOther) {
            HWND parent = GetParent(m_hOther);
            if (parent) SendMessageW(parent, WM_NEXTDLGCTL, 0, FALSE);
        }
        EnableWindow(m_hOther, on);
    }
    m_bEnableChanged = true;
}

void CCmdUI::SetCheck(int check) {
    if (m_hMenu) {
        CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_hOther) {
        if (SendMessageW(m_hOther, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON)
            SendMessageW(m_hOther, BM_SETCHECK, static_cast<WPARAM>(check), 0);
    }
}

void CCmdUI::SetText(const std::wstring& text) {
    if (m_hMenu) {
        UINT state = GetMenuState(m_hMenu, m_nIndex, MF_BYPOSITION);
        ModifyMenuW(m_hMenu, m_nIndex,
                    MF_BYPOSITION | MF_STRING | (state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)),
                    m_nID, text.c_str());
    } else if (m_hOther) {
        SetWindowTextW(m_hOther, text.c_str());
    }
}

bool CCmdUI::DoUpdate(CCmdTarget* target, bool disableIfNoHandler) {
    m_bEnableChanged = false;
    bool handled = target->OnCmdMsg(m_nID, 0, this);
    if (!handled && disableIfNoHandler && !m_bEnableChanged) {
        // No update handler: enabled exactly when some command handler exists.
        Enable(target->OnCmdMsg(m_nID, 0, nullptr, CmdAction::Probe));
    }
    return handled;
}
