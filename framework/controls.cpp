#include "controls.h"

std::wstring CComboBox::GetLBText(int index) const {
    LRESULT n = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (n == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(text.data()));
    text.resize(n == CB_ERR ? 0 : static_cast<size_t>(n));
    return text;
}
