// The settings file's reading for the Linux build of the checker, where the
// system's profile functions do not exist: sections and keys as those
// functions read them (letter case ignored, blanks around names and values
// dropped, one pair of quotes around a value removed, the first of two equal
// keys in force). The Windows build reads with the functions themselves; a
// test of the Windows layer holds the two to the same answers.
#pragma once

#include <optional>

#include "platform/System.h"

namespace tapivex::check {

class IniProfile : public ProfileFile {
public:
    explicit IniProfile(FileSystem& files) : files_(files) {}
    std::uint32_t readInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          int defaultValue) override;
    std::wstring readString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                            const std::wstring& defaultValue, std::size_t bufferChars) override;
    // The checker writes nothing.
    bool writeString(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) override {
        return false;
    }

private:
    std::optional<std::wstring> find(const std::wstring& file, const std::wstring& section, const std::wstring& key);

    FileSystem& files_;
};

}  // namespace tapivex::check
