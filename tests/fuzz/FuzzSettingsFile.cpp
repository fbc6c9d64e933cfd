// The conversion folder decided from arbitrary settings: TempPathType and
// UserTempPath as any text, any Windows temporary folder, folders that exist
// or not as the input decides.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "config/SettingsFile.h"
#include "platform/Failures.h"

namespace tapivex::fuzz {
namespace {

// GetPrivateProfileIntA's reading: blanks, an optional sign and the leading
// digits, wrapping at 32 bits; 0 for text without digits.
std::uint32_t ProfileInt(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    std::uint32_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) value = value * 10u + (text[pos] - '0');
    return negative ? 0u - value : value;
}

class MemoryProfile : public ProfileFile {
public:
    std::optional<std::string> tempPathType;  // nullopt: the key is absent
    std::string userTempPath;

    std::uint32_t readInt(const std::wstring&, const std::wstring& section, const std::wstring& key,
                          int defaultValue) override {
        FUZZ_CHECK(section == L"Setting" && key == L"TempPathType");
        return tempPathType ? ProfileInt(*tempPathType) : static_cast<std::uint32_t>(defaultValue);
    }
    std::wstring readString(const std::wstring&, const std::wstring& section, const std::wstring& key,
                            const std::wstring&, std::size_t bufferChars) override {
        FUZZ_CHECK(section == L"Setting" && key == L"UserTempPath");
        FUZZ_CHECK(bufferChars > 0);
        // The profile function cuts the text to the buffer, less its NUL.
        return Latin1(userTempPath.substr(0, bufferChars - 1));
    }
    bool writeString(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) override {
        FUZZ_CHECK(!"the reading writes nothing");
        return false;
    }
};

}  // namespace
}  // namespace tapivex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tapivex;
    using namespace tapivex::fuzz;
    FuzzedDataProvider input(data, size);
    MemoryFiles files;
    MemoryProfile profile;
    files.folderSeed = input.ConsumeIntegral<std::uint8_t>();
    if (input.ConsumeBool()) profile.tempPathType = input.ConsumeRandomLengthString(24);
    profile.userTempPath = input.ConsumeRandomLengthString(300);
    const std::wstring tempPath = Latin1(input.ConsumeRemainingBytesAsString());

    const auto typeValue = static_cast<std::int32_t>(profile.tempPathType ? ProfileInt(*profile.tempPathType) : 0u);
    ConversionFolderChoice choice;
    try {
        choice = ReadSettingsFile(files, profile, L"C:\\Tapivex\\TapiVEX.CFG", tempPath);
    } catch (const RuntimeFailure&) {
        FUZZ_CHECK(typeValue < INT16_MIN || typeValue > INT16_MAX);  // only a value beyond 16 bits fails
        return 0;
    }
    FUZZ_CHECK(typeValue >= INT16_MIN && typeValue <= INT16_MAX);
    FUZZ_CHECK(choice.UserFolderSetting.size() <= 255);
    FUZZ_CHECK(choice.UserFolderSetting == Latin1(profile.userTempPath.substr(0, 255)));
    if (!tempPath.empty() && tempPath.back() == L'\\') {
        FUZZ_CHECK(!choice.ConvertFolder.empty() && choice.ConvertFolder.back() == L'\\');
    }
    if (choice.UseUserFolder == 0) {
        // Only an unset type, an empty or a missing folder falls back.
        FUZZ_CHECK(typeValue == 0 || choice.UserFolderSetting.empty() || !files.folderExists(choice.UserFolderSetting));
        FUZZ_CHECK(choice.ConvertFolder == tempPath);
    } else {
        // The user's folder, when it is set and exists, with one backslash at its end.
        const std::wstring& folder = choice.UserFolderSetting;
        FUZZ_CHECK(choice.UseUserFolder == typeValue);
        FUZZ_CHECK(!folder.empty() && files.folderExists(folder));
        FUZZ_CHECK(choice.ConvertFolder == (folder.back() == L'\\' ? folder : folder + L'\\'));
    }
    return 0;
}
