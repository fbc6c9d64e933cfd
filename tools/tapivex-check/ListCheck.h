// tapivex-check: reads a Tapivex.INI with the program's own reading code and
// tells what the program will do with it. Portable: the system is reached
// only through the program's FileSystem interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/SettingsFile.h"
#include "platform/System.h"

namespace tapivex::check {

enum class LineFate {
    Entry,     // taken: a file of that path exists, or the line is empty
    Missing,   // names no existing file: dropped from the schedule
};

struct LineReport {
    int lineNumber = 0;  // 2 for the first line after the header
    std::wstring text;
    LineFate fate = LineFate::Entry;
    int entry = -1;            // entry number, for LineFate::Entry
    int convertedNumber = -1;  // n of TapiVEXn.BMP, when the entry will be converted
};

enum class Outcome {
    Starts,
    StartupFailure,      // the file cannot be read, or a header value is too large
    IntervalNotNumeric,  // the header's first field
    StyleNotNumeric,     // the header's second field
    NothingToShow,       // neither entries nor missing paths
};

// What TapiVEX.CFG beside the list does to the start-up.
struct SettingsReport {
    bool fails = false;            // TempPathType beyond 16 bits: start-up ends
    std::int16_t asked = 0;        // TempPathType as read: 0 the temporary folder, else the user's folder
    std::wstring folder;           // UserTempPath as read
    FolderCheck fallback = FolderCheck::Usable;  // why the user's folder asked for is passed over
};

struct CheckResult {
    Outcome outcome = Outcome::StartupFailure;
    std::wstring failureCause;  // what went wrong, for Outcome::StartupFailure
    bool headerRead = false;
    std::wstring header;
    std::vector<LineReport> lines;  // every line after the header that the program reads
    int firstUnreadLine = 0;        // lines from here to the end are not read; 0 when all are
    int unreadLines = 0;
    // As the header writes them, and as they are in force after the load's range fixes.
    bool styleGiven = false;
    std::int32_t headerInterval = 0;
    std::int16_t headerStyle = 0;
    std::int32_t interval = 0;
    std::int16_t style = 0;
    int entryCount = 0;
    int emptyEntries = 0;
    int missingPaths = 0;
    int conversions = 0;
    SettingsReport settings;
    bool picturesDecoded = false;           // every picture to convert was decoded as the program decodes it
    std::vector<std::wstring> undecodable;  // the pictures that fail, in the list's order
    bool utf8Mark = false;                  // the file starts with UTF-8's byte order mark
    bool utf8Text = false;                  // its other bytes read as UTF-8, not as the code page
};

// The services of a check. `pictures` decodes as the program does; without one
// (the Linux build) the pictures to convert go unchecked.
struct CheckServices {
    FileSystem& files;
    ProfileFile& profile;
    PictureLoader* pictures = nullptr;
};

// Runs the load's steps on the settings file TapiVEX.CFG and the list file
// Tapivex.INI in `listFolder` (made current first, as the program makes its
// own folder current): the folder for the copies, the list's reading, the
// pictures' decoding, the header. Nothing is written or converted, so whether
// a folder can be written goes untested. Throws std::logic_error when the
// file changed between the program's reading and the line-by-line replay.
CheckResult CheckList(const CheckServices& services, const std::wstring& listFolder);

// The report that the tool prints, lines ending with "\n".
std::wstring FormatReport(const std::wstring& listPath, const CheckResult& result);

// 0: the program starts; 1: start-up ends with a message; 4: it starts unless
// a check this build cannot make (decoding the pictures) would fail.
int ExitCodeFor(const CheckResult& result);

// The whole tool: `args` without the program name. Fills `out` (the report,
// or the help) and `err` (usage errors), and returns the exit code: 0, 1 and 4
// as above, 2 for a usage error, 3 when the check itself could not finish.
int RunTool(const std::vector<std::wstring>& args, const CheckServices& services, std::wstring& out,
            std::wstring& err);

// Started from Explorer (a double click, a file dropped on it), the tool's
// console holds this process alone and closes with it: it waits for a key then,
// but never when its input is not a console.
bool WaitsForAKey(unsigned consoleProcesses, bool inputIsConsole);

}  // namespace tapivex::check
