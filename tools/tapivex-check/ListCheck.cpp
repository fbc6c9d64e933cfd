#include "ListCheck.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

#include "app/Messages.h"
#include "app/frmMain.h"
#include "config/WallpaperListFile.h"
#include "convert/ConvertedImages.h"
#include "platform/Failures.h"

namespace tapivex::check {
namespace {

// The program opens its list by the bare name Tapivex.INI; the tool's list may
// have any name, so that one name is sent to the file the user gave.
class ListFileRedirect : public FileSystem {
public:
    ListFileRedirect(FileSystem& files, std::wstring listName) : files_(files), listName_(std::move(listName)) {}
    std::wstring programFolder() override { return files_.programFolder(); }
    TempPath windowsTempPath(std::size_t bufferChars) override { return files_.windowsTempPath(bufferChars); }
    bool setCurrentDirectory(const std::wstring& folder) override { return files_.setCurrentDirectory(folder); }
    bool fileExists(const std::wstring& path) override { return files_.fileExists(path); }
    bool folderExists(const std::wstring& path) override { return files_.folderExists(path); }
    // The check writes nothing, so it makes no test file: a folder counts as writable.
    bool canCreateFileIn(const std::wstring&) override { return true; }
    std::optional<std::size_t> folderPathAnsiBytes(const std::wstring& folder) override {
        return files_.folderPathAnsiBytes(folder);
    }
    std::wstring upperCase(const std::wstring& text) override { return files_.upperCase(text); }
    void deleteFile(const std::wstring&) override {}  // the check never deletes anything
    std::unique_ptr<ByteStream> openForReading(const std::wstring& path) override {
        return files_.openForReading(path == kListFileName ? listName_ : path);
    }
    std::wstring fromAnsi(const std::string& bytes) override { return files_.fromAnsi(bytes); }
    wchar_t decimalSeparator() override { return files_.decimalSeparator(); }

private:
    FileSystem& files_;
    std::wstring listName_;
};

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

std::logic_error FileChanged() {
    return std::logic_error("Tapivex.INI changed while it was being checked; run the check again.");
}

// The fates of the lines: the program's reading has filled `list`; the lines
// are read again with the program's LineReader and matched against it. A line
// is the next entry exactly when its text is that entry's path: a missing path
// never has the text of a taken line, which names an existing file or is empty.
void ReplayLines(FileSystem& files, const WallpaperTable& list, int entryCount, int unreadableCount,
                 CheckResult& result) {
    const std::unique_ptr<ByteStream> stream = files.openForReading(kListFileName);
    if (!stream) throw FileChanged();
    LineReader reader(*stream, files);
    if (reader.atEnd() || reader.readLine() != result.header) throw FileChanged();

    int lineNumber = 1;
    int taken = 0;
    while (!reader.atEnd()) {
        ++lineNumber;
        std::wstring text = reader.readLine();
        if (taken == kMaxEntries) {
            if (result.firstUnreadLine == 0) result.firstUnreadLine = lineNumber;
            ++result.unreadLines;
            continue;
        }
        LineReport line{lineNumber, std::move(text)};
        if (taken < entryCount && line.text == list[taken].Path) {
            line.entry = taken++;
            if (line.text.empty()) ++result.emptyEntries;
        } else {
            line.fate = LineFate::Missing;
            ++result.missingPaths;
        }
        result.lines.push_back(std::move(line));
    }
    result.entryCount = taken;
    const int countedMissing = std::min<int>(result.missingPaths, std::numeric_limits<std::int16_t>::max());
    if (taken != entryCount || countedMissing != unreadableCount) throw FileChanged();
}

// The conversion pass's choice and numbering, without converting.
void MarkConversions(FileSystem& files, CheckResult& result) {
    for (LineReport& line : result.lines) {
        if (line.fate == LineFate::Entry && NeedsConversion(line.text) && files.fileExists(line.text)) {
            line.convertedNumber = result.conversions++;
        }
    }
}

// The load's steps after the conversion, in its order: the header, the range
// fix of the style, the empty-list rule, the clamp of the interval.
void ApplyHeader(FileSystem& files, int unreadableCount, CheckResult& result) {
    result.headerInterval = frmMain::kDefaultInterval;
    result.headerStyle = frmMain::kKeepSystemStyle;
    result.styleGiven = result.header.find(L':') != std::wstring::npos;
    try {
        switch (ParseHeaderLine(result.header, files.decimalSeparator(), result.headerInterval, result.headerStyle)) {
            case HeaderError::None: break;
            case HeaderError::IntervalNotNumeric: result.outcome = Outcome::IntervalNotNumeric; return;
            case HeaderError::StyleNotNumeric: result.outcome = Outcome::StyleNotNumeric; return;
        }
    } catch (const RuntimeFailure& failure) {
        result.outcome = Outcome::StartupFailure;
        result.failureCause = L"a number on line 1 is too large for the program: " + Widen(failure.what());
        return;
    }
    result.style = StyleInForce(result.headerStyle);
    if (result.entryCount == 0 && unreadableCount == 0) {
        result.outcome = Outcome::NothingToShow;
        return;
    }
    result.interval = IntervalInForce(result.headerInterval);
    result.outcome = Outcome::Starts;
}

// The program reads TapiVEX.CFG first: a TempPathType beyond 16 bits ends its
// start there, and a user's folder that cannot take the copies is passed over.
void CheckSettings(const CheckServices& services, const std::wstring& listFolder, CheckResult& result) {
    // A profile file named without a folder would be looked for in the Windows folder.
    const std::wstring folder = listFolder.empty() ? L"." : listFolder;
    const std::wstring path = folder + (folder.back() == L'\\' || folder.back() == L'/' ? L"" : L"\\") + kSettingsFileName;
    try {
        const ConversionFolderChoice choice = ReadSettingsFile(services.files, services.profile, path, L"");
        result.settings.asked = choice.UseUserFolder != 0 || choice.fallback != FolderCheck::Usable;
        result.settings.folder = choice.UserFolderSetting;
        result.settings.fallback = choice.fallback;
    } catch (const RuntimeFailure&) {
        result.settings.fails = true;
    }
}

// What a list saved in another encoding than the code page begins with or holds.
void CheckEncoding(FileSystem& files, CheckResult& result) {
    const std::unique_ptr<ByteStream> stream = files.openForReading(kListFileName);
    std::string bytes(1 << 16, '\0');
    bytes.resize(stream ? stream->read(bytes.data(), bytes.size()) : 0);
    result.utf8Mark = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
    bool nonAscii = false;
    for (std::size_t i = result.utf8Mark ? 3 : 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) continue;
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
        if (length == 0 || i + length > bytes.size()) return;  // not UTF-8, or cut at the end of the sample
        for (int k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return;
        }
        nonAscii = true;
        i += length - 1;
    }
    result.utf8Text = nonAscii;
}

// The conversion decodes each picture before the header is read: one that
// fails ends the start-up there.
void DecodePictures(const CheckServices& services, CheckResult& result) {
    if (!services.pictures) return;
    for (const LineReport& line : result.lines) {
        if (line.convertedNumber < 0) continue;
        try {
            services.pictures->load(line.text);
        } catch (const std::exception&) {
            result.undecodable.push_back(line.text);
        }
    }
    result.picturesDecoded = true;
}

}  // namespace

CheckResult CheckList(const CheckServices& services, const std::wstring& listFolder) {
    FileSystem& files = services.files;
    CheckResult result;
    if (!listFolder.empty() && !files.setCurrentDirectory(listFolder)) {
        result.failureCause = L"its folder cannot be opened";
        return result;
    }
    CheckSettings(services, listFolder, result);
    if (result.settings.fails) {
        result.failureCause = L"TempPathType in TapiVEX.CFG is beyond the 16-bit range (-32768 to 32767)";
        return result;
    }
    WallpaperTable list;
    std::int16_t entryCount = 0;
    std::array<std::wstring, kUnreadableSlots> unreadable;
    std::int16_t unreadableCount = 0;
    try {
        result.header = ReadWallpaperList(files, {list, entryCount, unreadable, unreadableCount});
    } catch (const RuntimeFailure&) {
        result.failureCause = files.openForReading(kListFileName) ? L"the file is empty: it has no line at all"
                                                                   : L"the file does not exist or cannot be opened";
        return result;
    }
    result.headerRead = true;
    CheckEncoding(files, result);
    ReplayLines(files, list, entryCount, unreadableCount, result);
    MarkConversions(files, result);
    DecodePictures(services, result);
    if (!result.undecodable.empty()) {
        result.failureCause = L"a picture cannot be decoded: " + result.undecodable.front();
        return result;
    }
    ApplyHeader(files, unreadableCount, result);
    return result;
}

int ExitCodeFor(const CheckResult& result) {
    if (result.outcome != Outcome::Starts) return 1;
    return result.conversions > 0 && !result.picturesDecoded ? 4 : 0;
}

bool WaitsForAKey(unsigned consoleProcesses, bool inputIsConsole) { return consoleProcesses == 1 && inputIsConsole; }

namespace {

constexpr wchar_t kUsage[] =
    L"Usage: tapivex-check [LIST]\n"
    L"Reads LIST as Tapivex reads its Tapivex.INI and tells what the program will do with it.\n"
    L"LIST is a list file or a folder holding Tapivex.INI; by default Tapivex.INI in the current folder.\n"
    L"Relative picture paths are taken from the folder of LIST, as Tapivex takes them from its own folder.\n"
    L"On Linux, backslashes count as slashes, and a drive path such as C:\\Pictures\\sea.bmp is looked up\n"
    L"through the Wine prefix's drive links ($WINEPREFIX, or ~/.wine); without one it counts as missing.\n"
    L"TapiVEX.CFG beside LIST is read as Tapivex reads it. Pictures to convert are decoded as Tapivex\n"
    L"decodes them on Windows; the Linux build cannot decode them and says so.\n"
    L"Exit code: 0 Tapivex would start, 1 start-up would end with a message, 2 usage error,\n"
    L"3 the check could not finish, 4 Tapivex would start if its pictures to convert can be decoded\n"
    L"(the Linux build, which cannot decode them).\n";

bool IsOption(const std::wstring& arg) { return arg.size() > 1 && (arg[0] == L'-' || arg == L"/?"); }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The folder's own separator: a Windows path (a drive, a backslash) takes a backslash.
std::wstring WithSeparator(const std::wstring& folder) {
    if (!folder.empty() && IsSeparator(folder.back())) return folder;
    const bool windows = folder.find(L'\\') != std::wstring::npos || (folder.size() >= 2 && folder[1] == L':');
    return folder + (windows ? L'\\' : L'/');
}

struct ListLocation {
    std::wstring folder;  // empty: the current folder
    std::wstring name;
};

// A root folder keeps its separator ("/", "C:\\"); others lose it.
ListLocation Locate(const std::wstring& path) {
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return {L"", path};
    std::wstring folder = path.substr(0, cut);
    if (folder.empty() || (folder.size() == 2 && folder[1] == L':')) folder = path.substr(0, cut + 1);
    return {folder, path.substr(cut + 1)};
}

}  // namespace

int RunTool(const std::vector<std::wstring>& args, const CheckServices& services, std::wstring& out,
            std::wstring& err) {
    FileSystem& files = services.files;
    for (const std::wstring& arg : args) {
        if (arg == L"-h" || arg == L"--help" || arg == L"/?") {
            out = kUsage;
            return 0;
        }
    }
    if (args.size() > 1 || (args.size() == 1 && (args[0].empty() || IsOption(args[0])))) {
        err = L"tapivex-check: " + (args.size() > 1 ? L"give one list file" : L"unknown option " + args[0]) + L"\n" +
              kUsage;
        return 2;
    }

    std::wstring path = args.empty() ? std::wstring(kListFileName) : args[0];
    if (files.folderExists(path)) path = WithSeparator(path) + kListFileName;
    const ListLocation location = Locate(path);

    ListFileRedirect redirected(files, location.name);
    try {
        const CheckResult result = CheckList({redirected, services.profile, services.pictures}, location.folder);
        out = FormatReport(path, result);
        return ExitCodeFor(result);
    } catch (const std::logic_error& error) {
        err = L"tapivex-check: " + Widen(error.what()) + L"\n";
        return 3;
    }
}

}  // namespace tapivex::check
