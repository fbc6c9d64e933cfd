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
    // Runs a handler that ends the program; true when it did.
    template <typename Handler>
    bool ends(Handler handler) {
        try {
            handler();
        } catch (const ProgramEnd&) {
            return true;
        }
        return false;
    }
};

TEST_F(TrayTest, EveryLoadAddsTheIconWithTheSameRecord) {
    ASSERT_EQ(fake.iconCalls.size(), 1u);
    const auto& [message, record] = fake.iconCalls[0];
    EXPECT_EQ(message, 0u);
    EXPECT_EQ(record.cbSize, 88u);
    EXPECT_EQ(record.hWnd, 0x1234u);
    EXPECT_EQ(record.uID, 1u);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.uCallbackMessage, 512u);
    EXPECT_EQ(record.hIcon, 0x5678u);
    EXPECT_EQ(record.szTip, L"壁紙自動変更");

    form.mnRefresh_Click();
    ASSERT_EQ(fake.iconCalls.size(), 2u);
    EXPECT_EQ(fake.iconCalls[1].first, 0u);
    EXPECT_EQ(fake.iconCalls[1].second.uID, 1u);
}

TEST_F(TrayTest, TheMenuHasItsItemsAndRunsTheChosenOne) {
    form.Form_MouseMove(513);  // left button down
    form.Form_MouseMove(514);
    EXPECT_TRUE(fake.menuCaptions.empty());

    fake.menuChoice = 2;
    form.Form_MouseMove(516);
    EXPECT_EQ(fake.menuCaptions, (std::vector<std::wstring>{L"設定ﾌｧｲﾙ再読込み(&R)", L"設定変更(&C)",
                                                           L"次の壁紙へ(&N)", L"-", L"ﾊﾞｰｼﾞｮﾝ情報(&A)", L"-",
                                                           L"終了(&X)"}));
    EXPECT_EQ(form.NextRequested, -1);

    fake.menuChoice = -1;  // dismissed
    form.NextRequested = 0;
    form.Form_MouseMove(0x10000 | 516);  // only the low word counts
    EXPECT_EQ(form.NextRequested, 0);

    fake.menuChoice = 6;
    EXPECT_TRUE(ends([&] { form.Form_MouseMove(516); }));
}

TEST_F(TrayTest, ReloadFromTheMenuStopsTheTimerFirst) {
    std::vector<unsigned> intervals;
    fake.onDoEvents = nullptr;
    fake.addFile(L"C:\\Tools\\b.jpg");
    fake.writeList("600\r\nb.jpg\r\n");
    fake.onDoEvents = [&] { intervals.push_back(fake.timerInterval); };
    fake.menuChoice = 0;
    form.Form_MouseMove(516);
    EXPECT_EQ(intervals, std::vector<unsigned>{0u}) << "the timer is stopped while the load converts";
    EXPECT_EQ(fake.timerInterval, 500u);
}

TEST_F(TrayTest, ShutdownDeletesTheImagesThenRemovesTheIconThenEnds) {
    std::size_t iconCallsAtFirstDelete = 0;
    fake.onDelete = [&] {
        if (fake.deleted.size() == 1) iconCallsAtFirstDelete = fake.iconCalls.size();
    };
    EXPECT_TRUE(ends([&] { form.mnClose_Click(); }));
    EXPECT_EQ(fake.deleted.size(), 202u);
    EXPECT_EQ(iconCallsAtFirstDelete, 1u) << "the icon goes after the images";
    ASSERT_EQ(fake.iconCalls.size(), 2u);
    EXPECT_EQ(fake.iconCalls[1].first, 2u);
    EXPECT_EQ(fake.iconCalls[1].second.uID, 1u);
}

TEST_F(TrayTest, TheIconComesBackWhenTheTaskbarIsCreatedAgain) {
    form.TaskbarCreated();
    ASSERT_EQ(fake.iconCalls.size(), 2u);
    EXPECT_EQ(fake.iconCalls[1].first, 0u);
}

TEST(TrayBeforeLoad, AShutdownBeforeTheFirstAddSendsTheAllZeroRecord) {
    FakeSystem fake;
    Globals globals;
    frmMain form(fake.system(), globals, fake, fake);
    form.TaskbarCreated();
    EXPECT_TRUE(fake.iconCalls.empty()) << "no icon before the first load";
    EXPECT_THROW(form.Form_QueryUnload(), ProgramEnd);
    ASSERT_EQ(fake.iconCalls.size(), 1u);
    EXPECT_EQ(fake.iconCalls[0].second.cbSize, 0u);
}

}  // namespace
}  // namespace tapivex::testing
