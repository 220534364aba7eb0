// CORVCellCtrl: the interface of the in-place cell controls. On its own it is the
// do-nothing control; the edit box, check box and drop-down derive from a window class
// first and from this interface second.
#pragma once
#include "grid/grid_types.h"

class CWnd;

class CORVCellCtrl {
public:
    const CORVFocusFrame* frameStyle = nullptr; // the grid's, set after creation
    std::wstring text;                          // the last value
    int data = 0;

    CORVCellCtrl() = default;
    CORVCellCtrl(const CORVCellCtrl&) = delete;
    CORVCellCtrl& operator=(const CORVCellCtrl&) = delete;

    // What the grid asks of every in-place control.
    virtual void Click(int x, int y);
    virtual void SetFont(HFONT font, bool redraw);
    virtual void SetModified(bool modified);
    virtual bool Enable(bool enable);
    virtual bool Create(DWORD style, CWnd* parent, UINT id);
    virtual bool Show(int x, int y, int cx, int cy);
    virtual bool Hide();
    virtual void SetValue(const CORVCellValue& value);
    virtual CORVCellValue GetValue();
    virtual bool IsModified();
    virtual bool AcceptValue();
    virtual bool Destroy();
    virtual bool IsActive();
    virtual bool CanCut();
    virtual bool CanCopy();
    virtual bool CanPaste();
    virtual bool CanUndo();
    virtual void Cut();
    virtual void Copy();
    virtual void Paste();
    virtual void Undo();

    virtual ~CORVCellCtrl() = default;
};

// Puts text on the clipboard as Unicode text (and as ANSI text for older readers).
// False, leaving the clipboard untouched, for an empty text or when it cannot be opened.
bool CopyTextToClipboard(const std::wstring& text);
// The clipboard holds text that a paste would insert.
bool ClipboardHasText();
