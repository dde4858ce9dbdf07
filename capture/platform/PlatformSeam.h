#pragma once

// A platform service that the program calls through one object, so that the
// tests put a double in its place. Service derives from
// CPlatformSeam<Service> and defines Platform(), the platform's own object.
template <class Service> class CPlatformSeam {
public:
    virtual ~CPlatformSeam() = default;

    // The object in use: the platform's own unless replaced.
    static Service& Current() { return *InUse(); }
    // Replaces the object in use (null restores the platform's); returns the previous one.
    static Service* Replace(Service* pService) {
        Service* previous = InUse();
        InUse() = pService != nullptr ? pService : &Service::Platform();
        return previous;
    }

private:
    static Service*& InUse() {
        static Service* pInUse = &Service::Platform();
        return pInUse;
    }
};
