// Owners of the GDI objects a lamp panel paints with; each frees its object once.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace tavo {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <typename Handle>
using CGdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;

using CBrush = CGdiObject<HBRUSH>;
using CPen = CGdiObject<HPEN>;
using CFont = CGdiObject<HFONT>;
using CBitmap = CGdiObject<HBITMAP>;

struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using CMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

// Selects an object into a DC for one scope, then puts the previous one back.
class CScopedSelect {
public:
    CScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
    ~CScopedSelect() { SelectObject(m_dc, m_old); }
    CScopedSelect(const CScopedSelect&) = delete;
    CScopedSelect& operator=(const CScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// The screen's DC for one scope.
class CScreenDc {
public:
    CScreenDc() : m_dc(GetDC(nullptr)) {}
    ~CScreenDc() { ReleaseDC(nullptr, m_dc); }
    CScreenDc(const CScreenDc&) = delete;
    CScreenDc& operator=(const CScreenDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

} // namespace tavo
