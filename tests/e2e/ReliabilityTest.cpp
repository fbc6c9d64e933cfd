// The program under damage and wear: broken pictures, many wallpaper changes in a row, a process
// killed while it converts, copy names beyond the ANSI path limit. It never crashes or hangs, its
// resource counts stay flat, and it touches no file but its own copies.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "Harness.h"
#include "Input.h"
#include "PictureFiles.h"

namespace tapivex::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr Milliseconds kCaseLimit = 15s;  // a start that has neither failed nor converted by then hangs

bool isCopy(const fs::path& file) {
    return file.filename().wstring().rfind(L"TapiVEX", 0) == 0 && file.extension() == L".BMP";
}

// The converted copies in `folder`, an absolute path of any length.
std::set<std::wstring> copiesIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(L"\\\\?\\" + folder)) {
        if (isCopy(entry.path())) names.insert(entry.path().filename().wstring());
    }
    return names;
}

// A program folder whose converted copies go to its subfolder "cache", beside a file of the user's.
class CachedProgramFolder : public ProgramFolder {
public:
    CachedProgramFolder() {
        write(L"cache\\keep.txt", "keep");
        write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + cache() + L"\r\n"));
    }
    std::wstring cache() const { return file(L"cache"); }
    std::set<std::wstring> copies() const { return copiesIn(cache()); }
};

// Closes the program through its main window, as the Exit command does.
void closeAndExpectACleanEnd(const ProgramRun& run) {
    PostMessageW(run.waitForMainWindow(), WM_CLOSE, 0, 0);
    const auto code = run.waitForExit(10s);
    ASSERT_TRUE(code) << "did not end on WM_CLOSE";
    EXPECT_EQ(*code, 0u);
}

void expectStartUpFailure(const ProgramRun& run, const MessageBoxWindow& box) {
    waitUntil([&] { return !box.text().empty(); }, 1s);
    EXPECT_EQ(box.text(), messages::cannotStart);
    box.pressOk();
    const auto code = run.waitForExit();
    ASSERT_TRUE(code) << "still running after OK";
    EXPECT_FALSE(isCrashCode(*code)) << std::hex << *code;
}

class DamagedPicture : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DamagedPicture, IsConvertedOrRefusedAtStartUpNeverACrashOrAHang) {
    const pictures::Damaged& damaged = pictures::damagedCorpus()[GetParam()];
    const std::string bytes = damaged.bytes();
    const CachedProgramFolder folder;
    folder.write(L"good.jpg", pictures::jpeg(64, 48));
    folder.write(L"good.gif", pictures::gif());
    folder.write(damaged.fileName, bytes);
    folder.writeList("60:3\r\ngood.jpg\r\ngood.gif\r\n" + shiftJis(damaged.fileName) + "\r\n");

    const ProgramRun run(folder.exe());
    std::optional<MessageBoxWindow> box;
    ASSERT_TRUE(waitUntil(
        [&] { return (box = run.findMessageBox()) || !run.running() || folder.copies().size() == 3; }, kCaseLimit))
        << "neither refused nor converted in time";
    if (!box && run.running()) box = run.waitForMessageBox(1500ms);  // a copy begun may still fail
    std::cout << damaged.name << (box ? ": refused" : ": converted") << std::endl;
    if (box) {
        EXPECT_GE(folder.copies().size(), 2u) << "the good entries were converted before the message";
        expectStartUpFailure(run, *box);
    } else {
        ASSERT_TRUE(run.running()) << "ended without a message, exit code " << std::hex << *run.waitForExit(0ms);
        EXPECT_EQ(folder.read(L"cache\\TapiVEX2.BMP").substr(0, 2), "BM");
        closeAndExpectACleanEnd(run);
    }
    EXPECT_EQ(folder.copies(), std::set<std::wstring>{}) << "copies left behind";
    EXPECT_EQ(folder.read(damaged.fileName), bytes) << "the picture itself changed";
    EXPECT_EQ(folder.read(L"cache\\keep.txt"), "keep");
}

INSTANTIATE_TEST_SUITE_P(Reliability, DamagedPicture,
                         ::testing::Range(std::size_t{0}, pictures::damagedCorpus().size()),
                         [](const auto& test) { return pictures::damagedCorpus()[test.param].name; });

// The process's rows in the system handle table (NtQuerySystemInformation, class 16): a count,
// then rows of four 32-bit words on this 32-bit build, the owner's process id first.
unsigned long long handlesInSystemTable(DWORD processId) {
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<ULONG> table(1 << 20);  // 4 MB: room for 262,000 handles
    if (query(16, table.data(), static_cast<ULONG>(table.size() * sizeof(ULONG)), nullptr) != 0) return 0;
    unsigned long long count = 0;
    for (ULONG row = 0; row < table[0] && 4 * row + 1 < table.size(); ++row) count += table[4 * row + 1] == processId;
    return count;
}

struct Count {
    const char* what;
    unsigned long long value, tolerance;
};

// What the system tells of a process's resources. Under Wine the handle, GDI, USER and private
// byte counters read 0 (flat at both ends): there the system's handle table and the pagefile
// bytes are what move.
std::vector<Count> sample(HANDLE process, DWORD processId) {
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    return {{"handles", handles, 10}, {"handles in the system table", handlesInSystemTable(processId), 10},
            {"GDI objects", GetGuiResources(process, GR_GDIOBJECTS), 10},
            {"USER objects", GetGuiResources(process, GR_USEROBJECTS), 10},
            {"private bytes", memory.PrivateUsage, 2 << 20}, {"pagefile bytes", memory.PagefileUsage, 2 << 20}};
}

// Sets the interval to 0 in the settings dialog (a change every tick, 500 ms), waits for 5
// changes, samples, waits for `changes` more and samples again.
void expectFlatOver(int changes) {
    desktop::reset();
    const CachedProgramFolder folder;
    folder.write(L"a.jpg", pictures::jpeg(320, 240));
    folder.writeBitmap(L"b.bmp", 30, 30, 200);
    folder.writeList("600:0\r\na.jpg\r\nb.bmp\r\n");
    const ProgramRun run(folder.exe());
    run.waitForIdle();
    std::this_thread::sleep_for(700ms);  // the icon reaches the notification area
    input::doubleClick(input::notificationIcon());
    HWND dialog = input::waitForWindow(L"#32770", L"オプション設定");
    ASSERT_TRUE(dialog) << "no settings dialog on a double click at the icon";
    RECT interval{};
    GetWindowRect(input::control(dialog, 4), &interval);  // Text1
    input::click({(interval.left + interval.right) / 2, (interval.top + interval.bottom) / 2});
    input::key(VK_END);
    for (int i = 0; i < 4; ++i) input::key(VK_BACK);
    input::type(L"0");
    input::key(VK_RETURN);
    ASSERT_TRUE(input::waitForWindowGone(dialog));

    DWORD processId = 0;
    GetWindowThreadProcessId(run.waitForMainWindow(), &processId);
    const std::unique_ptr<void, decltype(&CloseHandle)> process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId), &CloseHandle);
    ASSERT_TRUE(process);
    std::set<std::wstring> shown;
    std::wstring current = desktop::wallpaper();
    auto changed = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const auto next = desktop::waitForWallpaperOtherThan(current, 3s);
            if (!next) return false;
            shown.insert(current = *next);
        }
        return true;
    };
    ASSERT_TRUE(changed(5));
    const auto start = sample(process.get(), processId);
    ASSERT_TRUE(changed(changes)) << "a change took longer than 3 s";
    const auto end = sample(process.get(), processId);
    EXPECT_EQ(shown.size(), 2u) << "the two entries alternate";
    for (std::size_t i = 0; i < start.size(); ++i) {
        std::cout << start[i].what << ": " << start[i].value << " -> " << end[i].value << std::endl;
        EXPECT_LE(end[i].value, start[i].value + start[i].tolerance) << start[i].what << " grew";
    }
}

TEST(ReliabilityManyChanges, FortyChangesKeepTheResourceCountsFlat) {
    expectFlatOver(40);
}

// About 4 minutes: add --gtest_also_run_disabled_tests.
TEST(ReliabilityManyChanges, DISABLED_FiveHundredChangesKeepTheResourceCountsFlat) {
    expectFlatOver(500);
}

// Size and last write time of every file below `root` but the program's copies.
std::map<std::wstring, std::pair<std::uintmax_t, fs::file_time_type>> filesBesidesCopies(const std::wstring& root) {
    std::map<std::wstring, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && !isCopy(entry.path())) {
            files[entry.path().wstring()] = {entry.file_size(), entry.last_write_time()};
        }
    }
    return files;
}

TEST(ReliabilityKilledWhileConverting, ChangesNothingButItsCopiesAndTheNextRunRemovesThem) {
    const CachedProgramFolder folder;
    const std::string big = pictures::jpeg(1600, 1200);
    std::string list = "60:3\r\n";
    for (int i = 0; i < 30; ++i) {
        folder.write(L"big" + std::to_wstring(i) + L".jpg", big);
        list += "big" + std::to_string(i) + ".jpg\r\n";
    }
    folder.writeList(list);
    const auto before = filesBesidesCopies(folder.path());
    {
        const ProgramRun run(folder.exe());
        ASSERT_TRUE(waitUntil([&] { return !folder.copies().empty(); }, 20s));
        EXPECT_TRUE(run.running());
        EXPECT_LT(folder.copies().size(), 30u) << "the conversion was over before the kill";
    }  // the run's end kills the process
    EXPECT_FALSE(folder.copies().empty());
    EXPECT_EQ(filesBesidesCopies(folder.path()), before) << "a file other than the copies changed";

    folder.writeList("60:3\r\nbig0.jpg\r\n");
    const ProgramRun next(folder.exe());
    next.waitForIdle(10s);
    std::this_thread::sleep_for(700ms);
    closeAndExpectACleanEnd(next);
    EXPECT_EQ(folder.copies(), std::set<std::wstring>{}) << "leftovers of the killed run remain";
    EXPECT_EQ(folder.read(L"cache\\keep.txt"), "keep");
}

// A conversion folder of 250 characters (the settings file holds up to 255), so that the copies'
// names pass MAX_PATH: the program refuses at start-up and writes nothing.
TEST(ReliabilityLongPath, CopyNamesBeyondTheMaximumAreRefusedAtStartUp) {
    const CachedProgramFolder folder;
    std::wstring deep = folder.cache();
    while (deep.size() + 2 <= 250) {
        deep += L"\\" + std::wstring(std::min<std::size_t>(40, 249 - deep.size()), L'd');
        CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    folder.write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + deep + L"\r\n"));
    folder.write(L"good.jpg", pictures::jpeg(64, 48));
    folder.writeList("60:3\r\ngood.jpg\r\n");

    const ProgramRun run(folder.exe());
    const auto box = run.waitForMessageBox(kCaseLimit);
    ASSERT_TRUE(box) << "no start-up failure message";
    expectStartUpFailure(run, *box);
    EXPECT_EQ(copiesIn(deep), std::set<std::wstring>{}) << "copies left in a folder of " << deep.size() << " chars";
}

}  // namespace
}  // namespace tapivex::e2e
