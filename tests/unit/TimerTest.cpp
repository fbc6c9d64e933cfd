// The rotation tick: when a change falls due, what it writes and applies.
#include "ProgramFixture.h"

namespace tapivex::testing {
namespace {

constexpr std::int64_t kNext = -1;  // a step of the script: the menu's Next command

struct TickScript {
    const char* guards;
    std::string header;
    std::vector<std::string> entries;  // in C:\Tools; a path on D: names no file
    std::uint32_t start;               // the clock at the load
    std::vector<std::int64_t> steps;   // milliseconds to the next tick, or kNext
    std::vector<std::wstring> applied;
    std::size_t registryWrites;
    const wchar_t* refused = nullptr;  // the desktop refuses this picture
    std::int32_t interval = -1;        // set after the load, as the dialog may
    bool failures = false;             // the registry and the program's folder fail
};

const TickScript kScripts[] = {
    {"4.5 s rounds to 4, 4.501 s to 5; a change rebases the interval", "5", {"a.bmp"}, 1000,
     {4500, 1, 4500, 1}, {L"a.bmp", L"a.bmp"}, 0},
    {"3.5 s rounds to 4: halves go to the even neighbour", "4", {"a.bmp"}, 1000, {3500}, {L"a.bmp"}, 0},
    {"4.5 s is not yet 5", "5", {"a.bmp"}, 1000, {4500}, {}, 0},
    {"the counter's wrap does not pause the rotation", "2", {"a.bmp"}, 0xFFFFF000u, {0x1000 + 1000}, {L"a.bmp"}, 0},
    {"nor does its sign change", "2", {"a.bmp"}, 0x7FFFFC00u, {2000}, {L"a.bmp"}, 0},
    {"Next applies at the next tick, twice is once", "600", {"a.bmp", "b.bmp"}, 1000,
     {kNext, kNext, 500, 500}, {L"a.bmp"}, 0},
    {"in order, an empty entry takes its turn", "1", {"a.bmp", "", "c.bmp"}, 1000,
     {1000, 1000, 1000, 1000, 1000, 1000}, {L"a.bmp", L"c.bmp", L"a.bmp", L"c.bmp"}, 0},
    {"interval 0 from the dialog: every tick is due", "1", {"a.bmp"}, 1000, {500, 500}, {L"a.bmp", L"a.bmp"}, 0,
     nullptr, 0},
    {"style 0 is written to both values before the change", "1:0", {"a.bmp"}, 1000, {1000}, {L"a.bmp"}, 2},
    {"style 3 writes nothing", "1:3", {"a.bmp"}, 1000, {1000}, {L"a.bmp"}, 0},
    {"a refusal re-applies the last accepted picture, after the style again", "1:2", {"a.bmp", "bad.bmp"}, 1000,
     {1000, 1000}, {L"a.bmp", L"bad.bmp", L"a.bmp"}, 6, L"bad.bmp"},
    {"a missing file is refused; before any accepted picture the user's wallpaper stays", "1:2", {"D:\\gone.bmp"},
     1000, {1000, 1000}, {L"D:\\gone.bmp", L"D:\\gone.bmp"}, 8},
    {"failing steps are skipped, the wallpaper still applied", "1:1", {"a.bmp"}, 1000, {1000}, {L"a.bmp"}, 0,
     nullptr, -1, true},
};

TEST(Tick, Scripts) {
    for (const TickScript& s : kScripts) {
        SCOPED_TRACE(s.guards);
        auto program = std::make_unique<Program>();
        FakeSystem& fake = program->fake;
        std::string list = s.header + "\r\n";
        for (const std::string& e : s.entries) {
            list += e + "\r\n";
            if (!e.empty() && e[0] != 'D') fake.addFile(L"C:\\Tools\\" + std::wstring(e.begin(), e.end()));
        }
        fake.writeList(list);
        fake.now = s.start;
        ASSERT_TRUE(program->load());
        if (s.refused) fake.refusedWallpapers.insert(s.refused);
        if (s.interval >= 0) program->globals.ChangeInterval = s.interval;
        fake.currentDirectory = L"C:\\";  // the picker may have moved it: relative paths need the program's
        fake.registryFails = s.failures;
        if (s.failures) fake.folder = L"C:\\Vanished";
        for (std::int64_t step : s.steps) {
            if (step == kNext) program->form.mnNext_Click();
            else program->tickAfter(static_cast<std::uint32_t>(step));
        }
        EXPECT_EQ(fake.wallpaperCalls, s.applied);
        EXPECT_EQ(fake.currentDirectory, s.applied.empty() || s.failures ? L"C:\\" : L"C:\\Tools");
        ASSERT_EQ(fake.registryWrites.size(), s.registryWrites);
        for (std::size_t i = 0; i < s.registryWrites; ++i) {
            const std::wstring style(1, static_cast<wchar_t>(s.header.back()));
            EXPECT_EQ(fake.registryWrites[i].second, style);
            EXPECT_EQ(fake.registryWrites[i].first, i % 2 ? L"HKCU\\Control Panel\\desktop\\TileWallpaper"
                                                          : L"HKCU\\Control Panel\\desktop\\WallpaperStyle");
        }
    }
}

}  // namespace
}  // namespace tapivex::testing
