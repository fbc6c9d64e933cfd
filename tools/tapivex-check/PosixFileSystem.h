// The checker's file system on Linux: the program's FileSystem interface over
// POSIX calls, for lists written for Windows. Backslashes count as slashes;
// drive paths go through a Wine prefix's drive links (dosdevices/c: and so
// on), and count as missing without one. Names are compared as Linux compares
// them: with regard to letter case. Lines are read as Shift-JIS (code page 932).
#pragma once

#include <optional>
#include <string>

#include "platform/System.h"

namespace tapivex::check {

class PosixFileSystem : public FileSystem {
public:
    // `winePrefix`: the Wine prefix whose drive links resolve drive paths.
    explicit PosixFileSystem(std::optional<std::string> winePrefix = std::nullopt);

    std::wstring programFolder() override;
    TempPath windowsTempPath(std::size_t) override { return {0, L""}; }
    bool setCurrentDirectory(const std::wstring& folder) override;
    bool fileExists(const std::wstring& path) override;
    bool folderExists(const std::wstring& path) override;
    // The checker writes nothing: the folder's permissions answer instead.
    bool canCreateFileIn(const std::wstring& folder) override;
    // The folder as written, in Shift-JIS: a relative folder is not made full.
    std::optional<std::size_t> folderPathAnsiBytes(const std::wstring& folder) override;
    std::wstring upperCase(const std::wstring& text) override;
    void deleteFile(const std::wstring&) override {}  // the checker never deletes
    std::unique_ptr<ByteStream> openForReading(const std::wstring& path) override;
    // Shift-JIS to wide; a byte sequence that is not Shift-JIS becomes U+FFFD.
    std::wstring fromAnsi(const std::string& bytes) override;
    wchar_t decimalSeparator() override { return L'.'; }

    // The Linux name for a Windows path; nullopt for a drive that has no link
    // in the Wine prefix, and for network paths (\\server\share).
    std::optional<std::string> nativeName(const std::wstring& path) const;

private:
    std::optional<std::string> winePrefix_;
};

// Wide text to UTF-8 and back; invalid input becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& bytes);

}  // namespace tapivex::check
