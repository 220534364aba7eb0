#include "lamp_panels.h"

namespace tavo {

CLampPanels::CLampPanels(HMODULE self) : m_self(self) {}
CLampPanels::~CLampPanels() = default;
void CLampPanels::Show(std::uint32_t, const std::wstring&) {}
void CLampPanels::Set(std::uint32_t, std::uint8_t) {}
void CLampPanels::Note(std::uint32_t, const std::wstring&) {}
void CLampPanels::Abandon() {}

} // namespace tavo
