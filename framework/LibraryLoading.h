#pragma once
// Where the program's libraries come from. A library found by bare name
// could come from the current directory or from any folder on PATH, where
// another program may have put one; the program's own libraries and the
// driver's are loaded only from the program's own folder, then the system
// folder, by full path.
#include <initializer_list>
#include <string>
#include <utility>

#include "framework/Win32.h"

// Narrows the search of every later load by bare name to the system folder
// (where the system has that), or at least takes the current directory out
// of it. Called first thing, before anything else is loaded.
void RestrictLibrarySearch();

// A library loaded from the program's own folder or the system folder.
struct KnownPlaceLibrary {
    HMODULE module = nullptr; // null when it was not loaded
    // Why it was not loaded, naming the library and the folders searched,
    // as the user is told.
    std::string failure;
};

// Loads name (a file name such as "GPIDLL.dll") from the folder of the
// program's own file, else from the system folder. A library that is found
// but cannot be loaded is not looked for further.
KnownPlaceLibrary LoadFromKnownPlaces(const char* name);

// A function that older systems lack, looked up at run time in a library
// the process has loaded (kernel32.dll, user32.dll, shell32.dll): a program
// that imports one would not start where it is missing. Null there.
template <class Function> Function LoadedFunction(const char* library, const char* name) {
    const HMODULE module = GetModuleHandleA(library);
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

// Finds each named function in module and stores it where its pair points;
// false (with missing naming the first one the library does not export)
// when one is missing.
bool BindFunctions(HMODULE module,
                   std::initializer_list<std::pair<FARPROC*, const char*>> functions,
                   std::string& missing);
