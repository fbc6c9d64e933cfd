// The report of tapivex-check: each line's fate, what the program starts with
// or the message it ends with, notes on what often goes wrong, and the verdict.
#include <algorithm>

#include "ListCheck.h"
#include "app/Messages.h"
#include "convert/ConvertedImages.h"

namespace tapivex::check {
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
    return text + L".\n";
}

// Where the copies go, by TapiVEX.CFG.
std::wstring DescribeFolder(const SettingsReport& settings) {
    if (!settings.asked) return L"  converted copies: the Windows temporary folder\n";
    const std::wstring folder = L"TapiVEX.CFG names the folder " + settings.folder;
    switch (settings.fallback) {
        case FolderCheck::Usable:
            return L"  converted copies: " + settings.folder + L" (TapiVEX.CFG). Whether Tapivex can create files\n"
                   L"  there was not checked: the checker writes nothing.\n";
        case FolderCheck::Missing:
            return L"  converted copies: the Windows temporary folder. " + folder + L",\n"
                   L"  which does not exist: Tapivex passes it over in silence.\n";
        default:
            return L"  converted copies: the Windows temporary folder. " + folder + L",\n"
                   L"  whose full path is longer than 240 bytes: Tapivex passes it over in silence.\n";
    }
}

std::wstring DescribeVerdict(const CheckResult& result) {
    if (result.outcome != Outcome::Starts) return L"Tapivex would not start.\n";
    if (ExitCodeFor(result) == 0) return L"Tapivex would start.\n";
    return L"Tapivex would start if its " + Plural(result.conversions, L"picture", L"pictures") +
           L" to convert can be decoded,\nwhich this build cannot check: run tapivex-check.exe on Windows or under Wine.\n";
}

std::wstring DescribeNotes(const CheckResult& result) {
    std::wstring text;
    if (result.utf8Mark) {
        text += L"Note: the file begins with UTF-8's byte order mark, which Tapivex reads as part of line 1.\n"
                L"Save it in the system's code page (\"ANSI\" in Notepad).\n";
    }
    if (result.utf8Text) {
        text += L"Note: the file is in UTF-8, but Tapivex reads it in the system's code page (Shift-JIS on a\n"
                L"Japanese Windows): its non-ASCII paths name other files. Save it as \"ANSI\" in Notepad.\n";
    }
    if (result.outcome == Outcome::Starts && result.entryCount == result.emptyEntries && result.missingPaths > 0) {
        text += L"Note: every path of the list is missing: Tapivex starts, but the wallpaper will never change.\n";
    }
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
    for (const std::wstring& picture : result.undecodable) {
        text += L"cannot be decoded as a picture: " + Printable(picture) + L"\n";
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
        text += L"Tapivex starts with\n" + DescribeSettings(result) + DescribeFolder(result.settings);
    } else {
        const Message message = MessageFor(result.outcome);
        text += L"Start-up ends with the message\n  " + std::wstring(message.text) + L"\n  (" + message.gloss + L")\n";
        if (!result.failureCause.empty()) text += L"  Cause: " + result.failureCause + L".\n";
    }
    if (result.headerRead) text += DescribeSummary(result);
    return text + DescribeNotes(result) + DescribeVerdict(result);
}


}  // namespace tapivex::check
