// The system services of System.h with the real Windows calls. Texts stay
// wide up to the call; functions that exist only in ANSI form, or whose ANSI
// form the program's files depend on (profile files, DeleteFileA, the
// wallpaper), get the text in the ANSI code page.
#pragma once

#include "platform/System.h"
#include "platform/win32/FolderDialog.h"

namespace tapivex {

class Win32FileSystem : public FileSystem {
public:
    std::wstring programFolder() override;
    TempPath windowsTempPath(std::size_t bufferChars) override;
    bool setCurrentDirectory(const std::wstring& folder) override;
    bool fileExists(const std::wstring& path) override;
    bool folderExists(const std::wstring& path) override;
    // CreateFileA with CREATE_NEW, then DeleteFileA: GetTempFileNameA would
    // not do, as Wine's answers non-zero in a folder it cannot write.
    bool canCreateFileIn(const std::wstring& folder) override;
    std::optional<std::size_t> folderPathAnsiBytes(const std::wstring& folder) override;
    std::wstring upperCase(const std::wstring& text) override;
    void deleteFile(const std::wstring& path) override;
    std::unique_ptr<ByteStream> openForReading(const std::wstring& path) override;
    std::wstring fromAnsi(const std::string& bytes) override;
    wchar_t decimalSeparator() override;

    // The full path that `path` names now; `path` itself when it has none.
    static std::wstring fullPath(const std::wstring& path);
};

class Win32ProfileFile : public ProfileFile {
public:
    std::uint32_t readInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          int defaultValue) override;
    std::wstring readString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                            const std::wstring& defaultValue, std::size_t bufferChars) override;
    // False too for a value that the ANSI code page cannot hold: the file
    // would keep question marks in its place.
    bool writeString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override;
};

class Win32Desktop : public Desktop {
public:
    // Roots: HKCU, HKLM, HKCR, HKU, HKCC or their HKEY_... names, in any case.
    // The last component names the value (empty after a final backslash: the
    // key's default value).
    void writeRegistryString(const std::wstring& valuePath, const std::wstring& value) override;
    bool setWallpaper(const std::wstring& path) override;
};

class Win32Clock : public Clock {
public:
    std::uint32_t milliseconds() override;
};

class Win32UserInterface : public UserInterface {
public:
    // `title`: the caption of every message box.
    explicit Win32UserInterface(std::wstring title) : title_(std::move(title)) {}
    int messageBox(std::uintptr_t owner, const std::wstring& text, unsigned style) override;
    // Leaves WM_QUIT in the queue for the message loop that owns it.
    void doEvents() override;
    void initializeCom() override;

private:
    std::wstring title_;
};

// Windows Imaging Component. COM must be initialised on the calling thread
// (apartment-threaded). Reads BMP, JPEG and GIF (the first frame); the loaded
// picture holds its pixels in memory, so the file is closed when load returns.
class WicPictureLoader : public PictureLoader {
public:
    std::unique_ptr<Picture> load(const std::wstring& path) override;
};

// One of each service, handed to the portable logic as a System.
class Win32Services {
public:
    // `title`: the program's title, the caption of its message boxes.
    explicit Win32Services(const std::wstring& title) : ui_(title) {}
    Win32Services(const Win32Services&) = delete;
    Win32Services& operator=(const Win32Services&) = delete;

    // Valid as long as this object lives.
    System system() { return System{files_, profile_, desktop_, clock_, ui_, pictures_, folderPicker_}; }

private:
    Win32FileSystem files_;
    Win32ProfileFile profile_;
    Win32Desktop desktop_;
    Win32Clock clock_;
    Win32UserInterface ui_;
    WicPictureLoader pictures_;
    Win32FolderPicker folderPicker_;
};

}  // namespace tapivex
