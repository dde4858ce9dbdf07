// Writes the application manifest of a program (its RT_MANIFEST resource 1,
// the one the loader reads when the process starts) to a file, as the
// platform's resource functions find it:  manifest_dump PROGRAM OUTPUT
// The program is loaded as a data file, so that a 32-bit image can be read
// from a 64-bit process.

#include "base/Handle.h"

#include <cstdio>

namespace {

int Fail(const char* what, const char* program) {
    std::fprintf(stderr, "manifest_dump: %s: %s (error %lu)\n", program, what, GetLastError());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: manifest_dump PROGRAM OUTPUT\n");
        return 2;
    }
    const char* program = argv[1];
    UniqueModule module(LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module)
        return Fail("cannot be loaded", program);
    HRSRC resource = FindResourceA(module.Get(), CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    if (!resource)
        return Fail("no manifest resource 1", program);
    HGLOBAL loaded = LoadResource(module.Get(), resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return Fail("the manifest cannot be loaded", program);
    UniqueFile output(CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD size = SizeofResource(module.Get(), resource), written = 0;
    if (!output || !WriteFile(output.Get(), bytes, size, &written, nullptr) || written != size)
        return Fail("the manifest cannot be written", argv[2]);
    return 0;
}
