// Stand-ins for the main frame, the pattern document and the pattern view until those
// classes join the program: a fixed 605 x 380 frame with the exact title and an empty view.
#pragma once
#include "framework/doc.h"
#include "framework/frame.h"
#include "framework/view.h"

class CStartFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CStartFrame)
public:
    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    // The bar layout of the profile section; a no-op until the frame has bars.
    void RestoreBarState();
};

class CStartDoc : public CDocument {
    DECLARE_DYNCREATE(CStartDoc)
};

class CStartView : public CView {
    DECLARE_DYNCREATE(CStartView)
public:
    void OnDraw(HDC) override {}
};
