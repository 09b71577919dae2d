#pragma once
// COM on the calling thread for as long as the object lives: the thread that
// initialised it uninitialises it again, and only if the initialisation
// counted (a thread already in another apartment model keeps its own).
#include "framework/Win32.h"

#include <objbase.h>

class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};
