// The services of the operating system that the program uses, as interfaces.
// The portable logic (app, config, convert, ui) sees the system only through
// these; src/platform/win32 implements them with the real calls, and the unit
// tests with a fake. Every text is wide; the ANSI code page exists only behind
// these interfaces.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/FolderPicker.h"

namespace tapivex {

// A file opened for sequential reading.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    // Reads up to `capacity` bytes into `buffer`; returns 0 at the end of the file.
    virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The folder of the executable, without a trailing backslash unless it is a drive's root.
    virtual std::wstring programFolder() = 0;
    // GetTempPathA with a buffer of `bufferChars` characters: what it returns
    // (0 when it fails; the length it needs, writing nothing, when the folder
    // does not fit) and the buffer's text without its NULs.
    struct TempPath {
        std::uint32_t length;
        std::wstring folder;
    };
    virtual TempPath windowsTempPath(std::size_t bufferChars) = 0;
    virtual bool setCurrentDirectory(const std::wstring& folder) = 0;
    // True only for an existing file, never for a folder. Every name the
    // program keeps or hands on goes through the ANSI code page, so a path
    // that the code page cannot hold names nothing.
    virtual bool fileExists(const std::wstring& path) = 0;
    virtual bool folderExists(const std::wstring& path) = 0;
    // Whether a file can be made in `folder`: a file of the program's own,
    // under a name no other file has, is created and removed again; only both
    // succeeding counts. Nothing else in the folder is touched.
    virtual bool canCreateFileIn(const std::wstring& folder) = 0;
    // The length in bytes of the folder's full path in the ANSI code page, as
    // the ANSI calls receive it, without a trailing backslash unless it is a
    // drive's root; nullopt when the code page cannot hold it.
    virtual std::optional<std::size_t> folderPathAnsiBytes(const std::wstring& folder) = 0;
    // The text in capitals by the case mapping of the user's locale, which
    // reaches full-width and other non-ASCII letters too.
    virtual std::wstring upperCase(const std::wstring& text) = 0;
    // Result not examined by any caller.
    virtual void deleteFile(const std::wstring& path) = 0;
    // nullptr when the file cannot be opened.
    virtual std::unique_ptr<ByteStream> openForReading(const std::wstring& path) = 0;
    // Bytes in the ANSI code page to wide text.
    virtual std::wstring fromAnsi(const std::string& bytes) = 0;
    // The decimal separator of the user's locale, for reading numbers.
    virtual wchar_t decimalSeparator() = 0;
};

// The Windows profile-file functions (section-and-key text files).
class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    // GetPrivateProfileIntA: the platform's integer reading, as unsigned 32 bits.
    virtual std::uint32_t readInt(const std::wstring& file, const std::wstring& section,
                                  const std::wstring& key, int defaultValue) = 0;
    // GetPrivateProfileStringA with a buffer of `bufferChars` characters.
    virtual std::wstring readString(const std::wstring& file, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& defaultValue,
                                    std::size_t bufferChars) = 0;
    // WritePrivateProfileStringA; false when the file could not be written.
    virtual bool writeString(const std::wstring& file, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value) = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Stores `value` as a string value (REG_SZ) under a path such as
    // L"HKCU\\Control Panel\\desktop\\WallpaperStyle". Throws on failure.
    virtual void writeRegistryString(const std::wstring& valuePath, const std::wstring& value) = 0;
    // SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path, 3); true when accepted.
    virtual bool setWallpaper(const std::wstring& path) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // timeGetTime: milliseconds since the system started, wrapping at 2^32.
    virtual std::uint32_t milliseconds() = 0;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // A message box with the program's title, modal to the window `owner`
    // (0: to none); returns the button pressed (IDOK 1, IDYES 6...). The
    // messages of other windows, the rotation's ticks among them, run while
    // it waits.
    virtual int messageBox(std::uintptr_t owner, const std::wstring& text, unsigned style) = 0;
    // Runs the window messages that are waiting, then returns.
    virtual void doEvents() = 0;
    // COM on the program's thread, apartment-threaded: the shell's handler of
    // a link may be a COM object. Left again at the program's end.
    virtual void initializeCom() = 0;
};

// A picture loaded into memory, as the picture loader gives it.
class Picture {
public:
    virtual ~Picture() = default;
    // Writes the picture as a Windows bitmap file, overwriting one of that
    // name. Throws RuntimeFailure when the file cannot be written.
    virtual void saveAsBitmap(const std::wstring& bitmapPath) = 0;
};

// The platform's picture loader: BMP, JPEG, GIF (its first frame).
class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    // Throws RuntimeFailure when the file is not a picture the loader can read.
    virtual std::unique_ptr<Picture> load(const std::wstring& path) = 0;
};

// All the services, as the portable logic receives them.
struct System {
    FileSystem& files;
    ProfileFile& profile;
    Desktop& desktop;
    Clock& clock;
    UserInterface& ui;
    PictureLoader& pictures;
    FolderPicker& folderPicker;
};

}  // namespace tapivex
