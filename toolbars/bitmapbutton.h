// COXBitmapButton: an owner-drawn push button with an icon above its caption. Options:
// the tracking look (flat until the pointer is over it) and the hyperlink look (the window
// stays enabled and a logical enabled state decides whether the button issues anything).
#pragma once
#include "framework/afxmsg.h"
#include "framework/controls.h"
#include "icon_image.h"

#include <commctrl.h>

#include <string>

// Owns an icon.
class CIconHandle {
public:
    CIconHandle() = default;
    ~CIconHandle() { Reset(); }
    CIconHandle(const CIconHandle&) = delete;
    CIconHandle& operator=(const CIconHandle&) = delete;
    void Reset(HICON icon = nullptr) {
        if (m_icon) ::DestroyIcon(m_icon);
        m_icon = icon;
    }
    HICON get() const { return m_icon; }

private:
    HICON m_icon = nullptr;
};

class COXBitmapButton : public CButton {
    DECLARE_DYNCREATE(COXBitmapButton)
public:
    static constexpr UINT kCursorEnabled = 23460;
    static constexpr UINT kCursorDisabled = 23461;

    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    // With its caption, as SetText gives it.
    bool Create(const std::wstring& text, DWORD style, const RECT& rect, HWND parent, UINT id) {
        m_strText = text;
        return CButton::Create(text, style, rect, parent, id);
    }

    void SetTrackLook(bool on = true) { m_bTrackLook = on; }
    void SetHyperLook(bool on = true) { m_bHyperLook = on; }
    bool GetTrackLook() const { return m_bTrackLook; }
    bool GetHyperLook() const { return m_bHyperLook; }
    // Loads an icon resource at the system icon size (or the given size).
    bool LoadIcon(UINT id, bool resize = true, int cx = 0, int cy = 0);
    void SetText(const std::wstring& text);
    const std::wstring& GetText() const { return m_strText; }
    // BS_LEFT, BS_CENTER or BS_RIGHT; BS_TOP, BS_VCENTER or BS_BOTTOM.
    void SetHorizontalAlignment(DWORD align);
    void SetVerticalAlignment(DWORD align);
    // Icon above caption, within the margins; keeps the top-left corner.
    void SizeToContent();
    // The size SizeToContent gives for `caption`, measured on `dc` in `font` for a window of
    // `style`: known before the window exists, so that it can be created at that size.
    CSize ContentSize(HDC dc, HFONT font, DWORD style, const std::wstring& caption) const;
    // The caption's wrapped size for the current font and style.
    CSize CaptionSize() const;
    // The logical enabled state (hyperlink look); otherwise the window's.
    void EnableButton(bool enable);
    bool IsButtonEnabled() const;
    HICON GetIcon() const { return m_icon.get(); }
    // The grey copy, made on first use: most buttons are never drawn disabled.
    HICON GetDisabledIcon();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void DrawItem(const DRAWITEMSTRUCT& dis);

protected:
    void OnMouseMove(UINT flags, CPoint client);
    LRESULT OnCaptureChanged(WPARAM wp, LPARAM lp);
    BOOL OnSetCursor(HWND wnd, UINT hit, UINT msg);
    LRESULT OnSetLogicalEnable(WPARAM wp, LPARAM lp);
    DECLARE_MESSAGE_MAP()

private:
    static CSize CaptionSize(HDC dc, HFONT font, DWORD style, const std::wstring& caption);

    CIconImage m_image; // a 32-bit icon at its own size; otherwise the icon objects below
    CIconHandle m_icon;
    CIconHandle m_disabledIcon;
    CSize m_sizeImage;
    std::wstring m_strText;
    bool m_bTrackLook = false;
    bool m_bHyperLook = false;
    bool m_bLogicalEnabled = true;
    bool m_bMouseOver = false;
    CRect m_rcMargins{4, 4, 4, 4}; // around image and text, inside the frame
    int m_nGap = 2;                // between icon and caption

    UINT TextFormat() const;
    bool Swallows(UINT msg) const;
    void DrawCaption(HDC dc, CRect area, bool disabled) const;
};
