// tapivex-check on Linux: Windows paths and Shift-JIS lines on a real file
// system, and the built program's exit codes and UTF-8 output.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include "PosixFileSystem.h"

namespace tapivex::check {
namespace {

namespace fs = std::filesystem;

class PosixCheckTest : public ::testing::Test {
protected:
    // A fresh folder of pictures, one of them named in UTF-8 (壁紙.bmp), and a folder named like a picture.
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir + "/pics/album.jpg");
        fs::create_directories(dir + "/prefix/dosdevices");
        write("pics/sea.bmp", "BM");
        write("pics/\xE5\xA3\x81\xE7\xB4\x99.bmp", "BM");
    }
    void TearDown() override { fs::remove_all(dir); }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
    // Runs the built tapivex-check in `dir`; returns its exit code and output.
    std::pair<int, std::string> run(const std::string& args) const {
        std::FILE* pipe = popen(("cd '" + dir + "' && WINEPREFIX=/nonexistent '" TAPIVEX_CHECK_EXE "' " + args +
                                 " 2>&1").c_str(), "r");
        std::string output;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
    }

    // One folder per test: ctest runs them side by side.
    const std::string dir = (fs::temp_directory_path() / "tapivex-check-").string() +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(PosixCheckTest, ShiftJisLinesAndWindowsPaths) {
    PosixFileSystem files;
    EXPECT_EQ(files.fromAnsi("\x95\xC7\x8E\x86\\a.bmp"), L"壁紙\\a.bmp");
    EXPECT_EQ(files.fromAnsi("\x95\x5C\\"), L"表\\") << "0x5C after a lead byte is no backslash";
    EXPECT_EQ(files.fromAnsi(std::string("a\x80z\0b", 5)), std::wstring(L"a\uFFFDz\0b", 5));
    EXPECT_EQ(files.fromAnsi("x\x95"), L"x\uFFFD") << "a lead byte cut off at the end of the line";

    const std::wstring root = WideFromUtf8(dir);
    EXPECT_TRUE(files.fileExists(root + L"/pics\\壁紙.bmp"));
    EXPECT_FALSE(files.fileExists(root + L"\\pics\\album.jpg")) << "a folder is no file";
    EXPECT_TRUE(files.folderExists(root + L"\\pics"));
    EXPECT_FALSE(files.fileExists(L"C:\\pics\\sea.bmp")) << "no Wine prefix: drive paths are missing";
    EXPECT_FALSE(files.fileExists(L"\\\\server\\pics\\sea.bmp"));

    // Drive C: of a Wine prefix is a link in its dosdevices folder.
    fs::create_directory_symlink(dir, dir + "/prefix/dosdevices/c:");
    PosixFileSystem wine(dir + "/prefix");
    EXPECT_TRUE(wine.fileExists(L"c:\\pics\\sea.bmp"));
    EXPECT_FALSE(wine.fileExists(L"D:\\pics\\sea.bmp")) << "a drive without a link";
}

TEST_F(PosixCheckTest, TheProgramTellsWhetherTapivexWouldStart) {
    write("Tapivex.INI", "300:2\r\npics\\sea.bmp\r\npics\\\x95\xC7\x8E\x86.bmp\r\n\r\nD:\\old.bmp\r\n");
    auto [code, output] = run("");
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("entry 1: pics\\\xE5\xA3\x81\xE7\xB4\x99.bmp\n"), std::string::npos) << output;

    write("\xE4\xBB\x8A\xE9\x80\xB1.ini", "60:x\r\npics\\sea.bmp\r\n");  // 今週.ini
    std::tie(code, output) = run("'\xE4\xBB\x8A\xE9\x80\xB1.ini'");
    EXPECT_EQ(code, 1) << "a list named in UTF-8, with a format error";
    EXPECT_NE(output.find("\xE6\x9B\xB8\xE5\xBC\x8F\xE3\x81\xAB"), std::string::npos) << "書式に, in UTF-8";
    EXPECT_EQ(run("pics").first, 1) << "a folder without Tapivex.INI";
    EXPECT_EQ(run("a b").first, 2);
}

}  // namespace
}  // namespace tapivex::check
