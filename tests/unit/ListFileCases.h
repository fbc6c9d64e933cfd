// Worked Tapivex.INI files and what the program makes of them, for the tests
// of the program's load and of tapivex-check, which must agree line by line.
// The list lives in C:\Tools beside three pictures (AddListPictures).
#pragma once

#include <string>
#include <vector>

#include "FakeSystem.h"
#include "app/Messages.h"

namespace tapivex::testing {

struct ListCase {
    const char* guards;  // the fault the row catches
    std::string bytes;
    std::wstring header;
    std::vector<std::wstring> entries;  // the lines taken, as written
    int missing;                         // missing paths counted
    const wchar_t* message;              // the load's message; nullptr when the program runs
    std::int32_t interval = 0;           // in force when it runs
    std::int16_t style = 0;
};

inline void AddListPictures(FakeSystem& fake) {
    for (const wchar_t* path : {L"C:\\Pictures\\sea.bmp", L"C:\\Tools\\photos\\hill.jpg", L"C:\\Pictures\\town.gif"}) {
        fake.addFile(path);
    }
}

inline std::string Lines(const std::string& line, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += line + "\r\n";
    return bytes;
}

inline const std::vector<ListCase>& ListCases() {
    const std::wstring sea = L"C:\\Pictures\\sea.bmp";
    // A header line over one existing picture.
    auto header = [&](const char* guards, const char* text, const wchar_t* message, std::int32_t interval = 0,
                      std::int16_t style = 0) {
        const std::string bytes = text;
        return ListCase{guards, bytes + "\r\nC:\\Pictures\\sea.bmp\r\n", std::wstring(bytes.begin(), bytes.end()),
                        {sea}, 0, message, interval, style};
    };
    static const std::vector<ListCase> cases = {
        {"entries, an empty one, a relative path, a missing one skipped",
         "300:2\r\nC:\\Pictures\\sea.bmp\r\nphotos\\hill.jpg\r\n\r\nD:\\old.bmp\r\nC:\\Pictures\\town.gif\r\n",
         L"300:2",
         {sea, L"photos\\hill.jpg", L"", L"C:\\Pictures\\town.gif"}, 1, nullptr, 300, 2},
        {"CR alone ends a line; a last line end adds nothing, two add an empty entry",
         "60\rC:\\Pictures\\sea.bmp\r\n\r\n", L"60", {sea, L""}, 0, nullptr, 60, 3},
        {"LF alone is part of the line", "60:2\nC:\\Pictures\\sea.bmp\n", L"60:2\nC:\\Pictures\\sea.bmp\n", {}, 0,
         kMsgStyleNotNumeric},
        {"blanks and a folder are missing paths; only missing paths still run",
         "60\r\nD:\\a.bmp\r\n   \r\nC:\\Pictures\r\n", L"60", {}, 3, nullptr, 60, 3},
        {"a header alone has nothing to show", "600:2\r\n", L"600:2", {}, 0, kMsgNothingToShow},
        {"a header error comes before the empty-list rule", ":2", L":2", {}, 0, kMsgIntervalNotNumeric},
        {"an empty file has no header line", "", L"", {}, 0, kMsgStartupFailure},
        {"a read of one byte is no end of file", "7", L"7", {}, 0, kMsgNothingToShow},
        {"one empty line is a header line", "\r\n", L"", {}, 0, kMsgIntervalNotNumeric},
        {"at most 201 entries, nothing after them read",
         "60\r\n" + Lines("C:\\Pictures\\sea.bmp", 201) + "D:\\missing.bmp\r\nC:\\Pictures\\town.gif\r\n", L"60",
         std::vector<std::wstring>(201, sea), 0, nullptr, 60, 3},
        {"the count of missing paths stops at 32767",
         "60\r\n" + Lines("D:\\missing.bmp", 40000) + "C:\\Pictures\\sea.bmp", L"60", {sea}, 32767, nullptr, 60, 3},
        header("two fields", "600:2", nullptr, 600, 2),
        header("no style keeps the system's", "60", nullptr, 60, 3),
        header("fields after the second are ignored", "30:1:abc", nullptr, 30, 1),
        header("an interval below 1 becomes 1", "0:1", nullptr, 1, 1),
        header("a style above 2 keeps the system's", "60:5", nullptr, 60, 3),
        header("a negative style keeps the system's", "60:-1", nullptr, 60, 3),
        header("an empty style", "60:", kMsgStyleNotNumeric),
        header("an empty second field", "30::2", kMsgStyleNotNumeric),
        header("a bad interval hides a bad style", "abc:xyz", kMsgIntervalNotNumeric),
        header("a style beyond 16 bits", "60:32768", kMsgStartupFailure),
    };
    return cases;
}

}  // namespace tapivex::testing
