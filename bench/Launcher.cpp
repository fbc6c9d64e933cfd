// Starts notification-area programs and watches them from outside, in the
// desktop that holds the taskbar.
//
//   bench_launch startup <runs> <exe A> <folder A> <exe B> <folder B>
//       Starts A and B in turn (one unmeasured start of each first, then
//       <runs> of each) and prints "startup <A|B> <icon ms> <idle ms>": from
//       just before CreateProcess to the moment the taskbar shows one more
//       notification icon, and to the moment the program first waits for input.
//       Each program is closed (WM_CLOSE) before the next start.
//   bench_launch idle <exe A> <folder A> <exe B> <folder B>
//       Starts A, then B, each up to its icon; prints "ready <pid A> <pid B>",
//       waits for a line on standard input, prints "ws <A|B> <working set>
//       <peak working set>" as Windows reports them, and closes both.
//
// The icon is seen through the taskbar's process: Wine's explorer creates a
// tooltip window for every notification icon while it adds the icon, inside the
// program's Shell_NotifyIcon call (it keeps the window after the icon goes, so
// only a count that grows means anything).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace tapivex::bench {
namespace {

constexpr DWORD kStartLimitMs = 30000;
constexpr DWORD kCloseLimitMs = 10000;

double millisecondsNow() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

DWORD processOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// The tooltip windows of the taskbar's process: one more for every icon added.
int trayIconCount() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar) return -1;
    const DWORD explorer = processOf(taskbar);
    int count = 0;
    for (HWND tip = nullptr; (tip = FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr)) != nullptr;) {
        if (processOf(tip) == explorer) ++count;
    }
    return count;
}

// One started program; closed, then killed if need be, when it goes.
class Program {
public:
    Program(const std::wstring& exe, const std::wstring& folder) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + exe + L"\"";
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &process_)) {
            std::fprintf(stderr, "bench_launch: cannot start %ls (error %lu)\n", exe.c_str(), GetLastError());
            std::exit(1);
        }
    }
    ~Program() {
        close();
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD id() const { return process_.dwProcessId; }
    HANDLE handle() const { return process_.hProcess; }
    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    bool waitingForInput() const { return WaitForInputIdle(process_.hProcess, 0) == 0; }

    // WM_CLOSE to its windows: both programs remove their icon and end on it.
    void close() {
        if (!running()) return;
        EnumWindows(postClose, static_cast<LPARAM>(process_.dwProcessId));
        if (WaitForSingleObject(process_.hProcess, kCloseLimitMs) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, kCloseLimitMs);
        }
    }

private:
    static BOOL CALLBACK postClose(HWND window, LPARAM process) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (processOf(window) == static_cast<DWORD>(process) && lstrcmpW(name, L"IME") != 0) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }

    PROCESS_INFORMATION process_{};
};

// Wine closes a desktop some seconds after its last program has ended and
// starts it again, with its explorer, when a program first asks for it.
bool waitForTaskbar() {
    GetDesktopWindow();
    for (int wait = 0; wait < 200 && trayIconCount() < 0; ++wait) Sleep(50);
    if (trayIconCount() >= 0) return true;
    std::fprintf(stderr, "bench_launch: no taskbar in this desktop\n");
    return false;
}

struct StartTimes {
    double iconMs = -1;
    double idleMs = -1;
};

// Starts the program and waits for both signs of a finished start; the
// program keeps running.
StartTimes startAndWatch(std::unique_ptr<Program>& program, const std::wstring& exe, const std::wstring& folder) {
    const int iconsBefore = trayIconCount();
    StartTimes times;
    const double start = millisecondsNow();
    program = std::make_unique<Program>(exe, folder);
    while (times.iconMs < 0 || times.idleMs < 0) {
        const double now = millisecondsNow();
        if (times.iconMs < 0 && trayIconCount() > iconsBefore) times.iconMs = now - start;
        if (times.idleMs < 0 && program->waitingForInput()) times.idleMs = now - start;
        if (!program->running() || now - start > kStartLimitMs) {
            std::fprintf(stderr, "bench_launch: %ls showed no icon\n", exe.c_str());
            std::exit(1);
        }
        Sleep(1);
    }
    return times;
}

StartTimes measureStart(const std::wstring& exe, const std::wstring& folder) {
    std::unique_ptr<Program> program;
    const StartTimes times = startAndWatch(program, exe, folder);
    program.reset();
    return times;
}

int runStartup(int runs, const std::wstring& exeA, const std::wstring& folderA, const std::wstring& exeB,
               const std::wstring& folderB) {
    if (!waitForTaskbar()) return 1;
    measureStart(exeA, folderA);
    measureStart(exeB, folderB);
    for (int run = 0; run < runs; ++run) {
        for (const auto& [label, exe, folder] : {std::tuple{"A", exeA, folderA}, std::tuple{"B", exeB, folderB}}) {
            const StartTimes times = measureStart(exe, folder);
            std::printf("startup %s %.3f %.3f\n", label, times.iconMs, times.idleMs);
            std::fflush(stdout);
        }
    }
    return 0;
}

void printWorkingSet(const char* label, const Program& program) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(program.handle(), &counters, sizeof counters);
    std::printf("ws %s %lu %lu\n", label, static_cast<unsigned long>(counters.WorkingSetSize),
                static_cast<unsigned long>(counters.PeakWorkingSetSize));
}

int runIdle(const std::wstring& exeA, const std::wstring& folderA, const std::wstring& exeB,
            const std::wstring& folderB) {
    if (!waitForTaskbar()) return 1;
    std::unique_ptr<Program> a;
    std::unique_ptr<Program> b;
    startAndWatch(a, exeA, folderA);
    startAndWatch(b, exeB, folderB);
    std::printf("ready %lu %lu\n", a->id(), b->id());
    std::fflush(stdout);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin)) line[0] = '\0';
    printWorkingSet("A", *a);
    printWorkingSet("B", *b);
    std::fflush(stdout);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: bench_launch startup <runs> <exe A> <folder A> <exe B> <folder B>\n"
                         "       bench_launch idle <exe A> <folder A> <exe B> <folder B>\n");
    return 2;
}

}  // namespace
}  // namespace tapivex::bench

int wmain(int argc, wchar_t** argv) {
    using namespace tapivex::bench;
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.size() == 6 && args[0] == L"startup") {
        return runStartup(std::stoi(args[1]), args[2], args[3], args[4], args[5]);
    }
    if (args.size() == 5 && args[0] == L"idle") return runIdle(args[1], args[2], args[3], args[4]);
    return usage();
}
