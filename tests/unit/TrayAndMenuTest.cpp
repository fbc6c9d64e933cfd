// The notification icon, its pop-up menu and the shutdown.
#include "ProgramFixture.h"

namespace tapivex::testing {
namespace {

class TrayTest : public ProgramTest {
protected:
    void SetUp() override {
        fake.addFile(L"C:\\Tools\\a.bmp");
        fake.writeList("600\r\na.bmp\r\n");
        ASSERT_TRUE(load());
    }
};

// Every add sends the same record, filled at the first; a removal sends it too.
TEST_F(TrayTest, TheIconIsAddedAtEachLoadAndTaskbarStartAndRemovedLast) {
    form.mnRefresh_Click();
    form.TaskbarCreated();
    std::size_t iconCallsAtFirstDelete = 0;
    fake.onDelete = [&] { if (fake.deleted.size() == 1) iconCallsAtFirstDelete = fake.iconCalls.size(); };
    EXPECT_THROW(form.mnClose_Click(), ProgramEnd);
    EXPECT_EQ(iconCallsAtFirstDelete, 3u) << "the icon goes after the images";
    ASSERT_EQ(fake.iconCalls.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const NotifyIconRecord& r = fake.iconCalls[i].second;
        EXPECT_EQ(fake.iconCalls[i].first, i < 3 ? 0u : 2u);
        EXPECT_EQ(std::make_tuple(r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.hIcon),
                  std::make_tuple(88u, 0x1234u, 1u, 7u, 512u, 0x5678u));
    }
}

TEST_F(TrayTest, RightButtonPopsUpTheMenuAndRunsTheChosenItem) {
    form.Form_MouseMove(513);
    form.Form_MouseMove(514);
    EXPECT_TRUE(fake.menuCaptions.empty()) << "only the right button's press";
    // Next, dismissed, a separator, beyond the last item.
    const std::pair<int, std::int16_t> choices[] = {{2, -1}, {-1, 0}, {3, 0}, {7, 0}};
    for (const auto& [choice, next] : choices) {
        form.NextRequested = 0;
        fake.menuChoice = choice;
        form.Form_MouseMove(0x10000 | 516);  // only the low word counts
        EXPECT_EQ(form.NextRequested, next) << choice;
    }
    fake.menuChoice = 0;  // reload: the timer stops while the load converts
    fake.addFile(L"C:\\Tools\\b.jpg");
    fake.writeList("600\r\nb.jpg\r\n");
    std::vector<unsigned> intervals;
    fake.onDoEvents = [&] { intervals.push_back(fake.timerInterval); };
    form.Form_MouseMove(516);
    EXPECT_EQ(intervals, std::vector<unsigned>{0u});
    EXPECT_EQ(fake.timerInterval, 500u);
    fake.windowsFail = true;
    EXPECT_THROW(form.Form_MouseMove(515), RuntimeFailure);
    EXPECT_EQ(fake.timerInterval, 500u) << "no dialog: the rotation goes on";
    fake.windowsFail = false;
    fake.menuChoice = 1;
    form.Form_MouseMove(516);
    EXPECT_EQ(fake.windows.size(), 1u) << "the settings dialog";
    fake.menuChoice = 6;
    EXPECT_THROW(form.Form_MouseMove(516), ProgramEnd);
}

// No conversion folder is known yet: bare names would delete the user's files.
TEST(TrayBeforeLoad, NoIconBeforeTheFirstLoadAndAShutdownSendsTheAllZeroRecordAndDeletesNothing) {
    Program p;
    p.form.TaskbarCreated();
    EXPECT_TRUE(p.fake.iconCalls.empty());
    EXPECT_THROW(p.form.Form_QueryUnload(), ProgramEnd);
    EXPECT_TRUE(p.fake.deleted.empty());
    ASSERT_EQ(p.fake.iconCalls.size(), 1u);
    EXPECT_EQ(p.fake.iconCalls[0].second.cbSize, 0u);
}

}  // namespace
}  // namespace tapivex::testing
