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
    bool canCreateFileIn(const std::wstring& folder) override { return files_.canCreateFileIn(folder); }
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

}  // namespace

CheckResult CheckList(FileSystem& files, const std::wstring& listFolder) {
    CheckResult result;
    if (!listFolder.empty() && !files.setCurrentDirectory(listFolder)) {
        result.failureCause = L"its folder cannot be opened";
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
    ReplayLines(files, list, entryCount, unreadableCount, result);
    MarkConversions(files, result);
    ApplyHeader(files, unreadableCount, result);
    return result;
}

int ExitCodeFor(const CheckResult& result) { return result.outcome == Outcome::Starts ? 0 : 1; }

namespace {

// A line's text as it can be printed on one line.
std::wstring Printable(const std::wstring& text) {
    std::wstring shown;
    for (wchar_t c : text) {
        if (c == L'\n') shown += L"<LF>";
        else if (c < 0x20) shown += L"<" + std::to_wstring(static_cast<int>(c)) + L">";
        else shown += c;
    }
    return shown;
}

std::wstring LineLabel(int lineNumber) {
    std::wstring label = L"line " + std::to_wstring(lineNumber) + L":";
    label.resize(std::max<std::size_t>(label.size() + 1, 12), L' ');
    return label;
}

bool HasBlankOrQuoteAtEnds(const std::wstring& text) {
    auto odd = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'"' || c == L'\x3000'; };
    return !text.empty() && (odd(text.front()) || odd(text.back()));
}

std::wstring DescribeLine(const LineReport& line) {
    std::wstring text = LineLabel(line.lineNumber);
    if (line.fate == LineFate::Missing) {
        text += L"missing and dropped: " + Printable(line.text);
        if (HasBlankOrQuoteAtEnds(line.text)) text += L"  (blanks and quotes are part of the path)";
        return text;
    }
    text += L"entry " + std::to_wstring(line.entry) + L": ";
    if (line.text.empty()) return text + L"empty entry (its turn leaves the wallpaper as it is)";
    text += Printable(line.text);
    if (line.convertedNumber >= 0) {
        text += L", will be converted to " + ConvertedImageName(L"", line.convertedNumber);
    }
    return text;
}

const wchar_t* StyleName(int style) {
    switch (style) {
        case 0: return L"centred (0:中央に表示)";
        case 1: return L"tiled (1:並べて表示)";
        case 2: return L"stretched to the screen (2:画面の大きさに拡大・縮小)";
        default: return L"the Windows setting is kept (3:Windowsの設定を保持)";
    }
}

struct Message {
    const wchar_t* text;
    const wchar_t* gloss;
};

Message MessageFor(Outcome outcome) {
    switch (outcome) {
        case Outcome::IntervalNotNumeric:
            return {kMsgIntervalNotNumeric, L"Format error: write the time on line 1 as a number."};
        case Outcome::StyleNotNumeric:
            return {kMsgStyleNotNumeric, L"Format error: write the wallpaper display style on line 1 as a number."};
        case Outcome::NothingToShow:
            return {kMsgNothingToShow, L"No wallpaper is specified: the file has no line after line 1."};
        default:
            return {kMsgStartupFailure, L"Tapivex.INI does not exist or has a format error; cannot start."};
    }
}

std::wstring DescribeSettings(const CheckResult& result) {
    std::wstring text = L"  interval: " + std::to_wstring(result.interval) +
                        (result.interval == 1 ? L" second" : L" seconds");
    if (result.interval != result.headerInterval) {
        text += L" (line 1 says " + std::to_wstring(result.headerInterval) + L"; the program raises it to 1)";
    }
    text += L"\n  style: " + std::to_wstring(result.style) + L", " + StyleName(result.style);
    if (!result.styleGiven) text += L" (line 1 gives no style)";
    else if (result.style != result.headerStyle) {
        text += L" (line 1 says " + std::to_wstring(result.headerStyle) + L", which is outside 0 to 2)";
    }
    return text + L"\n";
}

std::wstring Plural(int count, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

std::wstring DescribeSummary(const CheckResult& result) {
    std::wstring text = L"Summary: " + Plural(result.entryCount, L"entry", L"entries");
    if (result.emptyEntries > 0) text += L" (" + std::to_wstring(result.emptyEntries) + L" empty)";
    text += L", " + Plural(result.conversions, L"picture", L"pictures") + L" to convert, " +
            Plural(result.missingPaths, L"missing path", L"missing paths") + L" dropped";
    if (result.unreadLines > 0) text += L", " + Plural(result.unreadLines, L"line", L"lines") + L" not read";
    text += L".\n";
    text += result.outcome == Outcome::Starts ? L"Tapivex would start.\n" : L"Tapivex would not start.\n";
    return text;
}

std::wstring DescribeLines(const CheckResult& result) {
    std::wstring text = LineLabel(1) + L"header \"" + Printable(result.header) + L"\"\n";
    for (const LineReport& line : result.lines) text += DescribeLine(line) + L"\n";
    if (result.unreadLines > 0) {
        const int last = result.firstUnreadLine + result.unreadLines - 1;
        text += L"lines " + std::to_wstring(result.firstUnreadLine) + L" to " + std::to_wstring(last) +
                L": not read beyond the 201st entry\n";
    }
    auto holdsLineFeed = [](const std::wstring& t) { return t.find(L'\n') != std::wstring::npos; };
    const bool lineFeeds = holdsLineFeed(result.header) ||
                           std::any_of(result.lines.begin(), result.lines.end(),
                                       [&](const LineReport& line) { return holdsLineFeed(line.text); });
    if (lineFeeds) {
        text += L"Note: <LF> marks a line feed without a carriage return. Tapivex ends a line only at CR or\n"
                L"CR LF, so these lines run together; save the file with Windows (CR LF) line ends.\n";
    }
    return text;
}

}  // namespace

std::wstring FormatReport(const std::wstring& listPath, const CheckResult& result) {
    std::wstring text = L"Checking " + listPath + L"\n";
    if (result.headerRead) text += L"\n" + DescribeLines(result);
    text += L"\n";
    if (result.outcome == Outcome::Starts) {
        text += L"Tapivex starts with\n" + DescribeSettings(result);
    } else {
        const Message message = MessageFor(result.outcome);
        text += L"Start-up ends with the message\n  " + std::wstring(message.text) + L"\n  (" + message.gloss + L")\n";
        if (!result.failureCause.empty()) text += L"  Cause: " + result.failureCause + L".\n";
    }
    if (result.headerRead) text += DescribeSummary(result);
    return text;
}

namespace {

constexpr wchar_t kUsage[] =
    L"Usage: tapivex-check [LIST]\n"
    L"Reads LIST as Tapivex reads its Tapivex.INI and tells what the program will do with it.\n"
    L"LIST is a list file or a folder holding Tapivex.INI; by default Tapivex.INI in the current folder.\n"
    L"Relative picture paths are taken from the folder of LIST, as Tapivex takes them from its own folder.\n"
    L"On Linux, backslashes count as slashes, and a drive path such as C:\\Pictures\\sea.bmp is looked up\n"
    L"through the Wine prefix's drive links ($WINEPREFIX, or ~/.wine); without one it counts as missing.\n"
    L"Exit code: 0 Tapivex would start, 1 start-up would end with a message, 2 usage error,\n"
    L"3 the check could not finish.\n";

bool IsOption(const std::wstring& arg) { return arg.size() > 1 && (arg[0] == L'-' || arg == L"/?"); }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring WithSeparator(const std::wstring& folder) {
    return !folder.empty() && IsSeparator(folder.back()) ? folder : folder + L'/';
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

int RunTool(const std::vector<std::wstring>& args, FileSystem& files, std::wstring& out, std::wstring& err) {
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
        const CheckResult result = CheckList(redirected, location.folder);
        out = FormatReport(path, result);
        return ExitCodeFor(result);
    } catch (const std::logic_error& error) {
        err = L"tapivex-check: " + Widen(error.what()) + L"\n";
        return 3;
    }
}

}  // namespace tapivex::check
