// A stand-in for the port-I/O driver library with its exports: each byte written goes to
// the file named by FAKE_INPOUT_LOG as a line "address value" (hexadecimal), and the
// driver is open when FAKE_INPOUT_OPEN is 1. FAKE_WITHOUT_OUT32 leaves Out32 out.
#include <windows.h>

#include <cstdio>

static void Record(unsigned address, unsigned value) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"FAKE_INPOUT_LOG", path, MAX_PATH);
    FILE* file = n > 0 && n < MAX_PATH ? _wfopen(path, L"ab") : nullptr;
    if (!file) return;
    std::fprintf(file, "%x %x\n", address, value);
    std::fclose(file);
}

extern "C" {
#ifndef FAKE_WITHOUT_OUT32
__declspec(dllexport) void WINAPI Out32(short address, short value) {
    Record(static_cast<unsigned short>(address), static_cast<unsigned short>(value));
}
#endif
__declspec(dllexport) void WINAPI DlPortWritePortUchar(unsigned short port, unsigned char value) {
    Record(port, value);
}
__declspec(dllexport) short WINAPI Inp32(short) {
    return 0;
}
__declspec(dllexport) BOOL WINAPI IsInpOutDriverOpen() {
    wchar_t open[4];
    return GetEnvironmentVariableW(L"FAKE_INPOUT_OPEN", open, 4) == 1 && open[0] == L'1';
}
}
