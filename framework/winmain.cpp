// The process entry of a program built on the framework (linked with -municode).
#include "app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int cmdShow) {
    return AfxWinMain(instance, cmdLine, cmdShow);
}
