#include "gdi.h"

#include <atomic>
#include <cwchar>

namespace {
std::atomic<long> g_liveObjects{0};
}

long gdi::LiveObjects() {
    return g_liveObjects.load();
}
void gdi::CountCreated(HGDIOBJ obj) {
    if (obj) ++g_liveObjects;
}
void gdi::CountDeleted() {
    --g_liveObjects;
}

bool CFont::CreatePointFont(int tenthsOfPoint, const wchar_t* face) {
    LOGFONTW lf{};
    HDC screen = ::GetDC(nullptr);
    lf.lfHeight = -MulDiv(tenthsOfPoint, GetDeviceCaps(screen, LOGPIXELSY), 720);
    ::ReleaseDC(nullptr, screen);
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirect(lf);
}

CMemoryDC::CMemoryDC(int cx, int cy) {
    HDC screen = ::GetDC(nullptr);
    m_dc = ::CreateCompatibleDC(screen);
    m_bitmap.CreateCompatibleBitmap(screen, cx, cy);
    ::ReleaseDC(nullptr, screen);
    m_old = ::SelectObject(m_dc, m_bitmap);
}

CMemoryDC::~CMemoryDC() {
    ::SelectObject(m_dc, m_old);
    ::DeleteDC(m_dc);
}
