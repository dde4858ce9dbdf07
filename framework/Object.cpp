#include "framework/Object.h"

#include <cstring>

namespace {
// Head of the list of described classes. Function-local so that it is ready
// whatever the order of static initialisation across files.
const CRuntimeClass*& FirstClass() {
    static const CRuntimeClass* first = nullptr;
    return first;
}
} // namespace

CRuntimeClass CObject::classCObject = {"CObject", nullptr, nullptr, nullptr};
static const CRuntimeClassRegistration registrationCObject(CObject::classCObject);

CRuntimeClassRegistration::CRuntimeClassRegistration(CRuntimeClass& runtimeClass) {
    runtimeClass.m_pNextClass = FirstClass();
    FirstClass() = &runtimeClass;
}

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* p = this; p != nullptr; p = p->m_pBaseClass) {
        if (p == pBaseClass)
            return true;
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* lpszClassName) {
    if (lpszClassName == nullptr)
        return nullptr;
    for (const CRuntimeClass* p = FirstClass(); p != nullptr; p = p->m_pNextClass) {
        if (std::strcmp(p->m_lpszClassName, lpszClassName) == 0)
            return p;
    }
    return nullptr;
}

const CRuntimeClass* CObject::GetRuntimeClass() const {
    return &classCObject;
}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}
