#pragma once

#include <memory>

class CObject;

// Run-time class information: a class's name, its base, and (for classes
// that support dynamic creation) a factory. Every described class is listed
// once, so that it can also be found by name.
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    std::unique_ptr<CObject> (*m_pfnCreateObject)();
    const CRuntimeClass* m_pNextClass; // every described class, in one list

    // A new object of this class, or null when the class is not creatable.
    std::unique_ptr<CObject> CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    static const CRuntimeClass* FromName(const char* lpszClassName);
};

// Adds a class to the list at static initialisation.
struct CRuntimeClassRegistration {
    explicit CRuntimeClassRegistration(CRuntimeClass& runtimeClass);
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* pClass) const;

    static CRuntimeClass classCObject;
    static const CRuntimeClass* GetThisClass() { return &classCObject; }

protected:
    CObject() = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static CRuntimeClass class##class_name;                                                        \
    static const CRuntimeClass* GetThisClass() {                                                   \
        return &class##class_name;                                                                 \
    }                                                                                              \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                              \
    DECLARE_DYNAMIC(class_name)                                                                    \
    static std::unique_ptr<CObject> CreateObject();

#define IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, pfnNew)                               \
    CRuntimeClass class_name::class##class_name = {#class_name, RUNTIME_CLASS(base_class_name),    \
                                                   pfnNew, nullptr};                               \
    static const CRuntimeClassRegistration registration##class_name(                               \
        class_name::class##class_name);                                                            \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                     \
        return RUNTIME_CLASS(class_name);                                                          \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                           \
    std::unique_ptr<CObject> class_name::CreateObject() {                                          \
        return std::make_unique<class_name>();                                                     \
    }                                                                                              \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, class_name::CreateObject)

// The object as a T when it is one (by run-time class), else null.
template <class T> T* DynamicDowncast(CObject* pObject) {
    if (pObject == nullptr || !pObject->IsKindOf(T::GetThisClass()))
        return nullptr;
    return static_cast<T*>(pObject);
}

// A new object of a class known by its run-time class, typed as T; null when
// the class is not creatable or is not a T.
template <class T> std::unique_ptr<T> CreateObjectAs(const CRuntimeClass* pClass) {
    if (pClass == nullptr || !pClass->IsDerivedFrom(T::GetThisClass()))
        return nullptr;
    std::unique_ptr<CObject> object = pClass->CreateObject();
    return std::unique_ptr<T>(static_cast<T*>(object.release()));
}
