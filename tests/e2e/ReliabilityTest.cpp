// The program under the damage and the wear of real use: pictures that are
// broken in every way, weeks of wallpaper changes compressed into minutes, and a
// process killed while it converts. It never crashes or hangs, its resource
// counts stay flat, and it touches no file but its own copies.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "Harness.h"
#include "Input.h"
#include "PictureFiles.h"

namespace tapivex::e2e {
namespace pictures {

void PrintTo(const Damaged& damaged, std::ostream* out) { *out << damaged.name; }

}  // namespace pictures
namespace {

using namespace std::chrono_literals;

constexpr Milliseconds kCaseLimit = 15s;  // a start that has neither failed nor converted by then hangs

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names of the converted copies TapiVEX*.BMP in `folder`, an absolute path
// of any length.
std::set<std::wstring> copiesIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((L"\\\\?\\" + folder + L"\\TapiVEX*.BMP").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Closes the program through its main window, as the Exit command does.
void closeAndExpectACleanEnd(const ProgramRun& run) {
    PostMessageW(run.waitForMainWindow(), WM_CLOSE, 0, 0);
    const auto code = run.waitForExit(10s);
    ASSERT_TRUE(code) << "did not end on WM_CLOSE";
    EXPECT_EQ(*code, 0u);
}

// A program folder whose converted copies go to its subfolder "cache".
class CachedProgramFolder : public ProgramFolder {
public:
    CachedProgramFolder() {
        write(L"cache\\keep.txt", "keep");
        write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + cache() + L"\r\n"));
    }
    std::wstring cache() const { return file(L"cache"); }
    std::set<std::wstring> copies() const { return copiesIn(cache()); }
};

// ---------------------------------------------------------------------------
// Damaged pictures as the third entry of the list.

class DamagedPicture : public ::testing::TestWithParam<pictures::Damaged> {};

TEST_P(DamagedPicture, IsConvertedOrRefusedAtStartUpNeverACrashOrAHang) {
    const pictures::Damaged& damaged = GetParam();
    const std::string bytes = damaged.bytes();
    const CachedProgramFolder folder;
    folder.write(L"good.jpg", pictures::jpeg(64, 48));
    folder.write(L"good.gif", pictures::gif());
    folder.write(damaged.fileName, bytes);
    folder.writeList("60:3\r\ngood.jpg\r\ngood.gif\r\n" + shiftJis(damaged.fileName) + "\r\n");
    const std::wstring thirdCopy = folder.cache() + L"\\TapiVEX2.BMP";

    const ProgramRun run(folder.exe());
    std::optional<MessageBoxWindow> box;
    const bool settled = waitUntil(
        [&] { return (box = run.findMessageBox()).has_value() || !run.running() || exists(thirdCopy); }, kCaseLimit);
    ASSERT_TRUE(settled) << "neither refused nor converted within " << kCaseLimit.count() << " ms";
    // A copy that was begun may still fail to be written: the message comes after it.
    if (!box && run.running()) box = run.waitForMessageBox(1500ms);

    if (box) {
        std::cout << damaged.name << ": refused" << std::endl;
        EXPECT_GE(folder.copies().size(), 2u) << "the good entries were converted before the message";
        waitUntil([&] { return !box->text().empty(); }, 1s);
        EXPECT_EQ(box->text(), messages::cannotStart);
        box->pressOk();
        const auto code = run.waitForExit();
        ASSERT_TRUE(code) << "still running after OK";
        EXPECT_FALSE(isCrashCode(*code)) << std::hex << *code;
        EXPECT_EQ(folder.copies(), std::set<std::wstring>{}) << "copies left behind after the message";
    } else {
        ASSERT_TRUE(run.running()) << "ended without a message, exit code " << std::hex << run.waitForExit(0ms).value();
        std::cout << damaged.name << ": converted" << std::endl;
        EXPECT_EQ(folder.copies().size(), 3u);
        EXPECT_EQ(folder.read(L"cache\\TapiVEX2.BMP").substr(0, 2), "BM");
        closeAndExpectACleanEnd(run);
        EXPECT_EQ(folder.copies(), std::set<std::wstring>{});
    }
    EXPECT_EQ(folder.read(damaged.fileName), bytes) << "the picture itself changed";
    EXPECT_EQ(folder.read(L"cache\\keep.txt"), "keep");
}

INSTANTIATE_TEST_SUITE_P(Reliability, DamagedPicture, ::testing::ValuesIn(pictures::damagedCorpus()),
                         [](const auto& test) { return test.param.name; });

// ---------------------------------------------------------------------------
// Many wallpaper changes in a row.

// What the system tells of a process's resources. Under Wine several counters
// read 0 (GetProcessHandleCount, GetGuiResources, PrivateUsage): there the
// handles are counted in the system's handle table and the windows one by one,
// and a counter that reads 0 at both ends compares as flat.
struct ResourceSample {
    DWORD handles = 0;
    DWORD handlesInSystemTable = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD windows = 0;
    SIZE_T privateBytes = 0;
    SIZE_T pagefileBytes = 0;
};

// One row of the system handle table (NtQuerySystemInformation, class 16).
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};

DWORD handlesInSystemTable(DWORD processId) {
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
    if (!found) return 0;
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(found));
    std::vector<ULONG> buffer(1 << 16);
    LONG status = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG)),
                           nullptr)) == kLengthMismatch &&
           buffer.size() < (1u << 24)) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return 0;
    const ULONG rows = buffer[0];
    const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + 1);
    DWORD count = 0;
    for (ULONG i = 0; i < rows && (i + 1) * sizeof(SystemHandleEntry) <= (buffer.size() - 1) * sizeof(ULONG); ++i) {
        if (entries[i].ownerProcessId == processId) ++count;
    }
    return count;
}

struct WindowCount {
    DWORD processId;
    DWORD count;
};

BOOL CALLBACK countWindow(HWND window, LPARAM context) {
    auto* windows = reinterpret_cast<WindowCount*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == windows->processId) ++windows->count;
    return TRUE;
}

BOOL CALLBACK countTopLevelAndChildren(HWND window, LPARAM context) {
    countWindow(window, context);
    EnumChildWindows(window, countWindow, context);
    return TRUE;
}

DWORD windowsOf(DWORD processId) {
    WindowCount windows{processId, 0};
    EnumWindows(countTopLevelAndChildren, reinterpret_cast<LPARAM>(&windows));
    return windows.count;
}

ResourceSample sample(HANDLE process, DWORD processId) {
    ResourceSample s;
    GetProcessHandleCount(process, &s.handles);
    s.handlesInSystemTable = handlesInSystemTable(processId);
    s.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    s.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    s.windows = windowsOf(processId);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        s.privateBytes = memory.PrivateUsage;
        s.pagefileBytes = memory.PagefileUsage;
    }
    return s;
}

std::ostream& operator<<(std::ostream& out, const ResourceSample& s) {
    return out << "handles " << s.handles << " (system table " << s.handlesInSystemTable << "), GDI objects "
               << s.gdiObjects << ", USER objects " << s.userObjects << " (windows " << s.windows << "), private bytes "
               << s.privateBytes << ", pagefile bytes " << s.pagefileBytes;
}

class HandleOwner {
public:
    explicit HandleOwner(HANDLE handle) : handle_(handle) {}
    ~HandleOwner() {
        if (handle_) CloseHandle(handle_);
    }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class ReliabilityManyChanges : public ::testing::Test {
protected:
    void SetUp() override {
        desktop::reset();
        folder.write(L"a.jpg", pictures::jpeg(320, 240));
        folder.writeBitmap(L"b.bmp", 30, 30, 200);
        folder.writeList("600:0\r\na.jpg\r\nb.bmp\r\n");
    }
    void TearDown() override { desktop::reset(); }

    // Starts the program, sets the interval to 0 in the settings dialog (a change
    // every tick, 500 ms), counts `warmUp` changes, samples, counts `changes`
    // more and samples again.
    void run(int warmUp, int changes) {
        const ProgramRun program(folder.exe());
        program.waitForIdle();
        std::this_thread::sleep_for(700ms);  // the icon reaches the notification area
        HWND mainWindow = program.waitForMainWindow();
        ASSERT_TRUE(mainWindow);
        setIntervalToZero();

        DWORD processId = 0;
        GetWindowThreadProcessId(mainWindow, &processId);
        const HandleOwner process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
        ASSERT_TRUE(process.get());

        std::set<std::wstring> shown;
        std::wstring current = desktop::wallpaper();
        auto countChanges = [&](int count) {
            for (int i = 0; i < count; ++i) {
                const auto next = desktop::waitForWallpaperOtherThan(current, 3s);
                ASSERT_TRUE(next) << "no change within 3 s after " << i << " changes";
                shown.insert(current = *next);
            }
        };
        countChanges(warmUp);
        const ResourceSample start = sample(process.get(), processId);
        const auto begun = std::chrono::steady_clock::now();
        countChanges(changes);
        const ResourceSample end = sample(process.get(), processId);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();

        std::cout << "after " << warmUp << " changes: " << start << "\nafter " << warmUp + changes
                  << " changes (" << seconds << " s): " << end << std::endl;
        EXPECT_EQ(shown.size(), 2u) << "the two entries alternate";
        EXPECT_TRUE(program.running());
        expectFlat(start.handles, end.handles, 10, "handles");
        expectFlat(start.handlesInSystemTable, end.handlesInSystemTable, 10, "handles in the system table");
        expectFlat(start.windows, end.windows, 0, "windows");
        expectFlat(start.gdiObjects, end.gdiObjects, 10, "GDI objects");
        expectFlat(start.userObjects, end.userObjects, 10, "USER objects");
        expectFlat(start.privateBytes, end.privateBytes, 2 << 20, "private bytes");
        expectFlat(start.pagefileBytes, end.pagefileBytes, 2 << 20, "pagefile bytes");
    }

    void setIntervalToZero() {
        input::doubleClick(input::notificationIcon());
        HWND dialog = input::waitForWindow(L"#32770", L"オプション設定");
        ASSERT_TRUE(dialog) << "no settings dialog on a double click at the icon";
        HWND interval = input::control(dialog, 4);  // Text1
        RECT r{};
        GetWindowRect(interval, &r);
        input::click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        input::key(VK_END);
        for (int i = 0; i < 4; ++i) input::key(VK_BACK);
        input::type(L"0");
        input::key(VK_RETURN);
        ASSERT_TRUE(input::waitForWindowGone(dialog));
    }

    static void expectFlat(unsigned long long start, unsigned long long end, unsigned long long tolerance,
                           const char* what) {
        EXPECT_LE(end, start + tolerance) << what << " grew from " << start << " to " << end;
    }

    const CachedProgramFolder folder;
};

TEST_F(ReliabilityManyChanges, FortyChangesKeepTheResourceCountsFlat) {
    run(5, 40);
}

// About 4 minutes: run it on its own with
//   wine build/win32/e2e_tests.exe --gtest_filter='ReliabilityManyChanges.*' --gtest_also_run_disabled_tests
TEST_F(ReliabilityManyChanges, DISABLED_FiveHundredChangesKeepTheResourceCountsFlat) {
    run(5, 500);
}

// ---------------------------------------------------------------------------
// A process killed while it converts.

// Size and last write time of every file below `root`, by path.
std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> snapshot(const std::wstring& root) {
    std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> files;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = root + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files.merge(snapshot(path));
        } else {
            files[path] = {(ULONGLONG{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                           (ULONGLONG{found.ftLastWriteTime.dwHighDateTime} << 32) |
                               found.ftLastWriteTime.dwLowDateTime};
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

// Leaves out the converted copies, which are the program's to write.
void dropCopies(std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>>& files) {
    for (auto it = files.begin(); it != files.end();) {
        const std::wstring name = it->first.substr(it->first.rfind(L'\\') + 1);
        it = _wcsnicmp(name.c_str(), L"TapiVEX", 7) == 0 ? files.erase(it) : std::next(it);
    }
}

TEST(ReliabilityKilledWhileConverting, ChangesNothingButItsCopiesAndTheNextRunRemovesThem) {
    const CachedProgramFolder folder;
    const std::string big = pictures::jpeg(1600, 1200);
    std::string list = "60:3\r\n";
    for (int i = 0; i < 30; ++i) {
        const std::wstring name = L"big" + std::to_wstring(i) + L".jpg";
        folder.write(name, big);
        list += shiftJis(name) + "\r\n";
    }
    folder.writeList(list);
    auto before = snapshot(folder.path());

    {
        const ProgramRun run(folder.exe());
        ASSERT_TRUE(waitUntil([&] { return exists(folder.cache() + L"\\TapiVEX0.BMP"); }, 20s));
        EXPECT_TRUE(run.running());
        EXPECT_FALSE(exists(folder.cache() + L"\\TapiVEX29.BMP")) << "the conversion was over before the kill";
    }  // the run's end kills the process
    EXPECT_FALSE(folder.copies().empty());
    auto after = snapshot(folder.path());
    dropCopies(before);
    dropCopies(after);
    EXPECT_EQ(after, before) << "a file other than the copies changed";

    folder.writeList("60:3\r\nbig0.jpg\r\n");
    const ProgramRun next(folder.exe());
    next.waitForIdle(10s);
    ASSERT_TRUE(waitUntil([&] { return next.findMessageBox() || !next.running() || next.waitForMainWindow(0ms); },
                          shortWait));
    std::this_thread::sleep_for(700ms);
    closeAndExpectACleanEnd(next);
    EXPECT_EQ(folder.copies(), std::set<std::wstring>{}) << "leftovers of the killed run remain";
    EXPECT_EQ(folder.read(L"cache\\keep.txt"), "keep");
}

// ---------------------------------------------------------------------------
// Paths longer than the system's maximum (MAX_PATH, 260 characters).

// Nested folders below `base` up to `length` characters, made and removed
// through the "\\\\?\\" form of their paths, which has no length limit.
class DeepFolder {
public:
    DeepFolder(const std::wstring& base, std::size_t length) : path_(base) {
        while (path_.size() + 2 <= length) {
            path_ += L"\\" + std::wstring(std::min<std::size_t>(40, length - 1 - path_.size()), L'd');
            CreateDirectoryW((L"\\\\?\\" + path_).c_str(), nullptr);
            levels_.push_back(path_);
        }
    }
    ~DeepFolder() {
        for (const std::wstring& copy : copiesIn(path_)) DeleteFileW((L"\\\\?\\" + path_ + L"\\" + copy).c_str());
        for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
            RemoveDirectoryW((L"\\\\?\\" + *level).c_str());
        }
    }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    std::vector<std::wstring> levels_;
};

TEST(ReliabilityLongPath, ListEntriesBeyondTheMaximumAreMissingPaths) {
    const CachedProgramFolder folder;
    folder.write(L"good.jpg", pictures::jpeg(64, 48));
    std::string list = "60:3\r\ngood.jpg\r\n";
    for (std::size_t length : {259u, 260u, 261u, 300u, 2000u, 40000u}) {
        list += std::string(length - 4, 'x') + ".jpg\r\n";
    }
    folder.writeList(list);

    const ProgramRun run(folder.exe());
    ASSERT_TRUE(waitUntil([&] { return run.findMessageBox() || !run.running() || !folder.copies().empty(); },
                          kCaseLimit));
    EXPECT_FALSE(run.waitForMessageBox(1500ms)) << "the long entries are missing files, not a failure";
    ASSERT_TRUE(run.running());
    EXPECT_EQ(folder.copies(), std::set<std::wstring>{L"TapiVEX0.BMP"});
    closeAndExpectACleanEnd(run);
    EXPECT_EQ(folder.copies(), std::set<std::wstring>{});
}

// The conversion folder is as long as the settings file can hold (255
// characters), so the copies' names pass the maximum: the program either
// refuses at start-up or converts, and its exit removes what it wrote.
TEST(ReliabilityLongPath, CopyNamesBeyondTheMaximumAreWrittenAndRemovedOrRefused) {
    const CachedProgramFolder folder;
    const DeepFolder deepFolder(folder.cache(), 250);
    const std::wstring& deep = deepFolder.path();
    folder.write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + deep + L"\r\n"));
    folder.write(L"good.jpg", pictures::jpeg(64, 48));
    folder.writeList("60:3\r\ngood.jpg\r\n");

    const ProgramRun run(folder.exe());
    ASSERT_TRUE(waitUntil([&] { return run.findMessageBox() || !run.running() || !copiesIn(deep).empty(); },
                          kCaseLimit));
    if (const auto box = run.waitForMessageBox(1500ms)) {
        EXPECT_EQ(box->text(), messages::cannotStart);
        box->pressOk();
        const auto code = run.waitForExit();
        ASSERT_TRUE(code);
        EXPECT_FALSE(isCrashCode(*code)) << std::hex << *code;
    } else {
        ASSERT_TRUE(run.running());
        closeAndExpectACleanEnd(run);
    }
    EXPECT_EQ(copiesIn(deep), std::set<std::wstring>{}) << "copies left in a folder of " << deep.size() << " characters";
}

}  // namespace
}  // namespace tapivex::e2e
