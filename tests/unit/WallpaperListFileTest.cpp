// Reading Tapivex.INI and the load's verdict on it, row by row of the worked files.
#include "ListFileCases.h"
#include "ProgramFixture.h"
#include "config/WallpaperListFile.h"

namespace tapivex::testing {
namespace {

struct Reading {
    WallpaperTable list;
    std::int16_t entryCount = 0, unreadableCount = 0;
    std::array<std::wstring, kUnreadableSlots> unreadable;
    std::wstring header;
    bool failed = false;

    explicit Reading(FakeSystem& fake) {
        fake.currentDirectory = fake.folder;
        try {
            header = ReadWallpaperList(fake, {list, entryCount, unreadable, unreadableCount});
        } catch (const RuntimeFailure&) {
            failed = true;
        }
    }
};

TEST(ListFile, WorkedFilesReadAndLoad) {
    for (const ListCase& c : ListCases()) {
        SCOPED_TRACE(c.guards);
        auto program = std::make_unique<Program>();
        FakeSystem& fake = program->fake;
        AddListPictures(fake);
        fake.writeList(c.bytes);
        const Reading read(fake);
        EXPECT_EQ(read.failed, c.bytes.empty()) << "only a file without a line fails";
        EXPECT_EQ(read.header, c.header);
        std::vector<std::wstring> entries;
        for (int i = 0; i < read.entryCount; ++i) entries.push_back(read.list[i].Path);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(read.unreadableCount, c.missing);
        EXPECT_EQ(read.list[kListSlots - 1].Path, L"");

        const bool runs = program->load();
        EXPECT_EQ(runs, c.message == nullptr);
        EXPECT_EQ(fake.messages, c.message ? std::vector<std::wstring>{c.message} : std::vector<std::wstring>{});
        if (runs) {
            EXPECT_EQ(program->globals.ChangeInterval, c.interval);
            EXPECT_EQ(program->globals.DisplayStyle, c.style);
        }
        // A header error and a failure end through the unload, which deletes the copies.
        EXPECT_EQ(fake.deleted.size(), c.message && c.message != kMsgNothingToShow ? 202u : 0u);
    }
}

}  // namespace
}  // namespace tapivex::testing
