#include "config/WallpaperListFile.h"

#include <limits>

#include "config/Number.h"
#include "platform/Failures.h"

namespace tapivex {

bool LineReader::fill() {
    if (begin_ < end_) return true;
    begin_ = 0;
    end_ = stream_.read(buffer_.data(), buffer_.size());
    return end_ > 0;
}

bool LineReader::atEnd() { return !fill(); }

std::wstring LineReader::readLine() {
    if (atEnd()) throw RuntimeFailure("input past end of file");
    std::string bytes;
    while (fill()) {
        const char c = buffer_[begin_++];
        if (c == '\r') {
            if (fill() && buffer_[begin_] == '\n') ++begin_;
            break;
        }
        bytes += c;
    }
    return files_.fromAnsi(bytes);
}

std::wstring ReadWallpaperList(FileSystem& files, const ListReadTarget& target) {
    const std::unique_ptr<ByteStream> stream = files.openForReading(kListFileName);
    if (!stream) throw RuntimeFailure("Tapivex.INI cannot be opened");
    LineReader reader(*stream, files);
    std::wstring header = reader.readLine();

    while (!reader.atEnd() && target.EntryCount < kMaxEntries) {
        std::wstring& path = target.WallpaperList[target.EntryCount].Path;
        path = reader.readLine();
        if (path.empty() || files.fileExists(path)) {
            ++target.EntryCount;
        } else {
            // Nothing reads the texts of missing paths; the count only tells
            // that the list named something, so it stops short of overflowing.
            if (target.UnreadableCount < kUnreadableSlots) target.UnreadableList[target.UnreadableCount] = path;
            if (target.UnreadableCount < std::numeric_limits<std::int16_t>::max()) ++target.UnreadableCount;
        }
    }
    return header;
}

HeaderError ParseHeaderLine(std::wstring_view header, wchar_t decimalSeparator,
                            std::int32_t& interval, std::int16_t& style) {
    // Returns false when `field` is not numeric.
    auto setField = [&](int index, std::wstring_view field) {
        const std::optional<double> number = ParseNumber(field, decimalSeparator);
        if (!number) return false;
        if (index == 0) interval = FloorToInt32(*number);
        else style = FloorToInt16(*number);
        return true;
    };
    auto errorFor = [](int index) {
        return index == 0 ? HeaderError::IntervalNotNumeric : HeaderError::StyleNotNumeric;
    };

    // Field 0 ends at the first colon, field 1 at the second; either may end the line.
    std::size_t fieldStart = 0;
    for (int index = 0; index < 2; ++index) {
        const std::size_t colon = header.find(L':', fieldStart);
        if (!setField(index, header.substr(fieldStart, colon - fieldStart))) return errorFor(index);
        if (colon == std::wstring_view::npos) break;
        fieldStart = colon + 1;
    }
    return HeaderError::None;
}

}  // namespace tapivex
