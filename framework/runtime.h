// Runtime class records: a class's name, object size and schema, and creation by name.
#pragma once
#include <memory>
#include <string_view>

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned m_wSchema;
    CObject* (*m_pfnCreateObject)(); // null for classes not creatable by name
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* base) const;
    // Looks a registered class up by name; null when unknown.
    static const CRuntimeClass* FromName(std::string_view name);
    // Creates an object of a registered class by name; null when unknown or not creatable.
    static CObject* CreateObject(std::string_view name);
};

// Adds a record to the list that FromName searches. Used by the registration macro.
struct CRuntimeClassRegistrar {
    explicit CRuntimeClassRegistrar(const CRuntimeClass* rc);
};

class CObject {
public:
    static const CRuntimeClass classRecord;
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classRecord; }
    bool IsKindOf(const CRuntimeClass* rc) const {
        auto* mine = GetRuntimeClass();
        return mine && mine->IsDerivedFrom(rc);
    }
};

#define RUNTIME_CLASS(cls) (&cls::classRecord)

// In the class: its record and the virtual that returns it.
#define DECLARE_DYNAMIC(cls)                                                                       \
public:                                                                                            \
    static const CRuntimeClass classRecord;                                                        \
    const CRuntimeClass* GetRuntimeClass() const override {                                        \
        return &classRecord;                                                                       \
    }

// The same, for classes the framework creates by name (the caller owns the new object).
#define DECLARE_DYNCREATE(cls)                                                                     \
    DECLARE_DYNAMIC(cls)                                                                           \
    static CObject* CreateObjectOf() {                                                             \
        return new cls;                                                                            \
    }

#define IMPLEMENT_DYNAMIC(cls, base)                                                               \
    const CRuntimeClass cls::classRecord{#cls, static_cast<int>(sizeof(cls)), 0xFFFF, nullptr,     \
                                         &base::classRecord};

// In one source file: the record, registered for creation by name (schema 0xFFFF).
#define IMPLEMENT_DYNCREATE(cls, base)                                                             \
    const CRuntimeClass cls::classRecord{#cls, static_cast<int>(sizeof(cls)), 0xFFFF,              \
                                         &cls::CreateObjectOf, &base::classRecord};                \
    static const CRuntimeClassRegistrar cls##Registrar{&cls::classRecord};
