// kiv.exe playing a pattern at 10 ms rows until the given minutes are over, its handles,
// GDI and USER objects, private bytes and threads written to a CSV line every minute; its
// port trace is copied to OUTDIR at the end.
//   soak_bench.exe OUTDIR MINUTES SAMPLES.csv
// The outputs come from the environment (TAVO_*); bench/soak/run-soak sets them up.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include "app/resource.h"
#include "tests/e2e/frame/frame_session.h"

namespace {

using namespace kivdrv;

// Row i lights the lines of 5i + 3: fifty rows, all different and none dark, so whatever
// recorded them shows their order.
std::vector<std::uint8_t> Pattern() {
    std::vector<std::uint8_t> rows;
    for (int i = 0; i < 50; ++i)
        rows.push_back(static_cast<std::uint8_t>(5 * i + 3));
    return rows;
}

DWORD ThreadCount(DWORD processId) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    DWORD count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == processId;
    CloseHandle(snapshot);
    return count;
}

// Under Wine GetProcessHandleCount, GetGuiResources and PrivateUsage answer 0 for another
// process; what it does report stands beside them: the system's handle table, the
// process's windows, and its committed private memory.
struct SystemHandle {
    ULONG processId;
    UCHAR type, flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandles {
    ULONG count;
    SystemHandle handles[1];
};
using QuerySystem = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

std::size_t TableHandles(DWORD processId) {
    constexpr ULONG kSystemHandleInformation = 16;
    static const auto query = reinterpret_cast<QuerySystem>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<std::uint8_t> buffer(1 << 20);
    ULONG needed = 0;
    while (query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), &needed) < 0) {
        if (buffer.size() >= (256u << 20)) return 0;
        buffer.resize(buffer.size() * 2);
    }
    const auto* table = reinterpret_cast<const SystemHandles*>(buffer.data());
    std::size_t count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        count += table->handles[i].processId == processId;
    return count;
}

std::size_t PrivateCommitted(HANDLE process) {
    std::size_t bytes = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (auto* at = static_cast<std::uint8_t*>(nullptr);
         VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<std::uint8_t*>(region.BaseAddress) + region.RegionSize)
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
    return bytes;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<std::size_t*>(count);
    return TRUE;
}

std::size_t Windows(DWORD processId) {
    std::size_t count = 0;
    for (HWND top : FindTopLevelWindows({std::nullopt, std::nullopt, processId, false})) {
        ++count;
        EnumChildWindows(top, CountWindow, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

void Sample(const CProcess& kiv, double minutes, FILE* out) {
    DWORD handles = 0;
    GetProcessHandleCount(kiv.Handle(), &handles);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(kiv.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    std::fprintf(out, "%.2f,%lu,%lu,%lu,%zu,%zu,%lu,%zu,%zu,%zu\n", minutes, handles,
                 GetGuiResources(kiv.Handle(), GR_GDIOBJECTS),
                 GetGuiResources(kiv.Handle(), GR_USEROBJECTS), std::size_t(memory.PrivateUsage),
                 std::size_t(memory.WorkingSetSize), ThreadCount(kiv.Id()), TableHandles(kiv.Id()),
                 Windows(kiv.Id()), PrivateCommitted(kiv.Handle()));
    std::fflush(out);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: soak_bench.exe OUTDIR MINUTES SAMPLES.csv\n", stderr);
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    const int minutes = _wtoi(argv[2]);
    FILE* out = _wfopen(argv[3], L"w");
    if (!out || minutes < 1) return 2;
    const CTempDir work;
    const std::uint8_t fastest[] = {10, 0, 0, 0}; // the slider at 10 ms
    if (!WriteFileBytes(work / L"slider.cst", fastest) ||
        !WriteFileBytes(work / L"p.cmb", CmbFile(Pattern())))
        return 2;
    ClearKivRegistry();

    // Under the test PC's emulation the first start takes tens of seconds.
    CKivSession kiv(work, L"378,0,0", {(work / L"p.cmb").wstring()}, std::chrono::minutes(3));
    if (!kiv.Frame()) {
        std::fputs("soak_bench: kiv.exe showed no window\n", stderr);
        return 1;
    }
    PostMessageW(kiv.Frame(), WM_COMMAND, ID_CMD_START, 0);
    std::fputs("minute,handles,gdi,user,private_bytes,working_set,threads,"
               "table_handles,windows,private_committed\n",
               out);
    const ULONGLONG start = GetTickCount64();
    for (int minute = 0; minute <= minutes && kiv.Process().IsRunning(); ++minute) {
        const ULONGLONG due = start + ULONGLONG(minute) * 60000;
        const ULONGLONG now = GetTickCount64();
        if (due > now) Sleep(DWORD(due - now));
        Sample(kiv.Process(), double(GetTickCount64() - start) / 60000.0, out);
    }
    std::fclose(out);
    const bool ran = kiv.Process().IsRunning();
    if (ran) {
        PostMessageW(kiv.Frame(), WM_COMMAND, ID_CMD_STOP, 0);
        kiv.CloseAndWait();
    }
    CopyFileW((work / kTraceFileName).c_str(), (outDir / kTraceFileName).c_str(), FALSE);
    ClearKivRegistry();
    if (!ran) std::fputs("soak_bench: kiv.exe ended during the run\n", stderr);
    return ran ? 0 : 1;
}
