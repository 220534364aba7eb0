#include "runtime.h"

#include <cstring>
#include <vector>

namespace {
std::vector<const CRuntimeClass*>& Registry() {
    static std::vector<const CRuntimeClass*> classes;
    return classes;
}
} // namespace

const CRuntimeClass CObject::classRecord{"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                         nullptr, nullptr};

CRuntimeClassRegistrar::CRuntimeClassRegistrar(const CRuntimeClass* rc) {
    Registry().push_back(rc);
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (auto* rc = this; rc; rc = rc->m_pBaseClass)
        if (rc == base) return true;
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name) {
    for (auto* rc : Registry())
        if (name == rc->m_lpszClassName) return rc;
    return nullptr;
}

CObject* CRuntimeClass::CreateObject(std::string_view name) {
    auto* rc = FromName(name);
    return rc ? rc->CreateObject() : nullptr;
}
