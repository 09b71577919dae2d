#include "app/LumitraxApp.h"
#include "framework/LibraryLoading.h"

namespace {
CLumitraxApp theApp;
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictLibrarySearch();
    theApp.InitInstance();
    return theApp.ExitCode();
}
