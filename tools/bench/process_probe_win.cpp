// What a running program holds, read from outside it: its GDI objects, its
// kernel handles and its memory. The soak benchmark (tools/bench/soak.py)
// runs it every so often beside the game to see that nothing grows.
//
//     process_probe TITLE       one line for the process that owns the
//                               top-level window captioned TITLE
//     process_probe --self-test the probe's own counts before and after it
//                               creates 50 brushes and 50 events
//
// Wine answers GetGuiResources and GetProcessHandleCount with 0, so the
// counts come from the tables themselves: a process's GDI handles lie in the
// table its PEB points to (one entry per handle, type 0 when free, stock
// objects flagged), and the system handle list names each handle's process.
// The self-test shows that both counts move when objects are made, so a
// flat line in the soak is a finding, not a probe that cannot see.
//
// Output (one line, key=value): pid, gdi, handles, private_kib (committed
// private memory), working_set_kib. Exit status 1 when the window or the
// process cannot be found or read.

#include <windows.h>
// windows.h first: the NT declarations below build on its types.
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resource/kernel_handle.h"

namespace {

// One entry of the system handle list (SystemHandleInformation).
struct SystemHandleEntry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};

// One entry of a process's GDI handle table (64-bit layout).
struct GdiHandleEntry {
    std::uint64_t object;
    ULONG owner;
    USHORT unique;  // bit 7: a stock object, shared by every process
    UCHAR type;  // 0: a free entry
    UCHAR flags;
    std::uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24);

constexpr SYSTEM_INFORMATION_CLASS SYSTEM_HANDLE_INFORMATION = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS STATUS_INFO_LENGTH_MISMATCH_CODE = static_cast<NTSTATUS>(0xC0000004L);
constexpr std::size_t GDI_TABLE_ENTRIES = 0x10000;
constexpr std::size_t PEB_GDI_TABLE_OFFSET = 0xF8;  // PEB.GdiSharedHandleTable, 64-bit

// Kernel handles of `pid`, or -1.
long CountHandles(DWORD pid) {
    std::vector<char> buffer(1 << 20);
    ULONG length = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SYSTEM_HANDLE_INFORMATION, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &length)) ==
           STATUS_INFO_LENGTH_MISMATCH_CODE) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0 || buffer.size() < sizeof(ULONG)) return -1;
    ULONG count;
    std::memcpy(&count, buffer.data(), sizeof count);
    // The entries start at the pointer-aligned offset after the count.
    const std::size_t first = sizeof(void*);
    if (count > (buffer.size() - first) / sizeof(SystemHandleEntry)) return -1;
    long mine = 0;
    for (ULONG i = 0; i < count; ++i) {
        SystemHandleEntry entry;
        std::memcpy(&entry, buffer.data() + first + i * sizeof entry, sizeof entry);
        if (entry.processId == pid) ++mine;
    }
    return mine;
}

// Live GDI objects of the process (stock objects left out), or -1. A
// process that has drawn nothing yet has no table: 0.
long CountGdiObjects(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0) return -1;
    std::uint64_t table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + PEB_GDI_TABLE_OFFSET, &table,
                           sizeof table, &read)) {
        return -1;
    }
    if (table == 0) return 0;
    std::vector<GdiHandleEntry> entries(GDI_TABLE_ENTRIES);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(table)), entries.data(),
                           entries.size() * sizeof(GdiHandleEntry), &read)) {
        return -1;
    }
    long live = 0;
    for (const GdiHandleEntry& entry : entries) {
        if (entry.type != 0 && (entry.unique & 0x80) == 0) ++live;
    }
    return live;
}

// Committed private memory of the process in KiB: the heap, the stacks and
// every allocation the program made, but not mapped files or images.
long long PrivateKib(HANDLE process) {
    unsigned long long total = 0;
    const char* address = nullptr;
    MEMORY_BASIC_INFORMATION region;
    while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return static_cast<long long>(total / 1024);
}

bool Report(DWORD pid, HANDLE process) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    const long gdi = CountGdiObjects(process);
    const long handles = CountHandles(pid);
    if (gdi < 0 || handles < 0 || !GetProcessMemoryInfo(process, &memory, sizeof memory)) {
        std::fprintf(stderr, "process_probe: cannot read process %lu (error %lu)\n", pid, GetLastError());
        return false;
    }
    std::printf("pid=%lu gdi=%ld handles=%ld private_kib=%lld working_set_kib=%llu\n", pid, gdi, handles,
                PrivateKib(process), static_cast<unsigned long long>(memory.WorkingSetSize / 1024));
    return true;
}

int SelfTest() {
    const HANDLE self = GetCurrentProcess();
    const DWORD pid = GetCurrentProcessId();
    // One object first, so the GDI table exists before the first count.
    const HBRUSH first = CreateSolidBrush(RGB(1, 2, 3));
    const long gdiBefore = CountGdiObjects(self), handlesBefore = CountHandles(pid);
    std::vector<HBRUSH> brushes;
    std::vector<CKernelHandle> events;
    for (int i = 0; i < 50; ++i) {
        brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
        events.emplace_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    }
    const long gdiAfter = CountGdiObjects(self), handlesAfter = CountHandles(pid);
    for (HBRUSH brush : brushes) DeleteObject(brush);
    DeleteObject(first);
    std::printf("gdi %ld -> %ld, handles %ld -> %ld after 50 brushes and 50 events\n", gdiBefore, gdiAfter,
                handlesBefore, handlesAfter);
    const bool sees =
        gdiBefore >= 0 && handlesBefore >= 0 && gdiAfter - gdiBefore == 50 && handlesAfter - handlesBefore == 50;
    if (!sees) std::fprintf(stderr, "process_probe: the counts do not follow the objects made\n");
    return sees ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: process_probe TITLE | --self-test\n");
        return 2;
    }
    const std::wstring argument = argv[1];
    if (argument == L"--self-test") return SelfTest();
    const HWND window = FindWindowW(nullptr, argument.c_str());
    DWORD pid = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &pid) == 0) {
        std::fprintf(stderr, "process_probe: no window with that title\n");
        return 1;
    }
    const CKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        std::fprintf(stderr, "process_probe: cannot open process %lu (error %lu)\n", pid, GetLastError());
        return 1;
    }
    return Report(pid, process.get()) ? 0 : 1;
}
