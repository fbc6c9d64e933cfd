#include "PosixFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cwctype>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tapivex::check {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) iconv_close(handle_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

class FileStream : public ByteStream {
public:
    explicit FileStream(std::FILE* file) : file_(file) {}
    ~FileStream() override { std::fclose(file_); }
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    std::size_t read(char* buffer, std::size_t capacity) override { return std::fread(buffer, 1, capacity, file_); }

private:
    std::FILE* file_;
};

bool Is(const std::optional<std::string>& name, mode_t kind) {
    struct stat info {};
    return name && stat(name->c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Without the code page's converter, ASCII stays and every other byte is unreadable.
std::wstring AsciiOnly(const std::string& bytes) {
    std::wstring wide;
    for (unsigned char c : bytes) wide += c < 0x80 ? static_cast<wchar_t>(c) : kReplacement;
    return wide;
}

// The length of the UTF-8 sequence that `lead` begins; 0 when it begins none.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 0;
}

}  // namespace

PosixFileSystem::PosixFileSystem(std::optional<std::string> winePrefix) : winePrefix_(std::move(winePrefix)) {}

std::optional<std::string> PosixFileSystem::nativeName(const std::wstring& path) const {
    std::wstring rest = path;
    std::string base;
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
        if (!winePrefix_) return std::nullopt;
        const char drive = static_cast<char>(path[0] | 0x20);  // Wine's links are lower case: dosdevices/c:
        base = *winePrefix_ + "/dosdevices/" + drive + ":";
        if (!Is(base, S_IFDIR)) return std::nullopt;
        rest = L"/" + path.substr(2);
    } else if (path.rfind(L"\\\\", 0) == 0) {
        return std::nullopt;
    }
    for (wchar_t& c : rest) {
        if (c == L'\\') c = L'/';
    }
    return base + Utf8FromWide(rest);
}

std::wstring PosixFileSystem::programFolder() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? WideFromUtf8(buffer) : L".";
}

bool PosixFileSystem::setCurrentDirectory(const std::wstring& folder) {
    const std::optional<std::string> name = nativeName(folder);
    return name && chdir(name->c_str()) == 0;
}

bool PosixFileSystem::fileExists(const std::wstring& path) { return Is(nativeName(path), S_IFREG); }

bool PosixFileSystem::folderExists(const std::wstring& path) { return Is(nativeName(path), S_IFDIR); }

bool PosixFileSystem::canCreateFileIn(const std::wstring& folder) {
    const std::optional<std::string> name = nativeName(folder);
    return name && access(name->c_str(), W_OK | X_OK) == 0;
}

std::optional<std::size_t> PosixFileSystem::folderPathAnsiBytes(const std::wstring& folder) {
    const IconvHandle converter("CP932", "UTF-8");
    std::string utf8 = Utf8FromWide(folder.size() > 3 && folder.back() == L'\\' ? folder.substr(0, folder.size() - 1)
                                                                                  : folder);
    if (!converter.valid() || utf8.find('\0') != std::string::npos) return std::nullopt;
    char* in = utf8.data();
    std::size_t inLeft = utf8.size();
    std::string bytes(utf8.size() * 2, '\0');  // no character grows beyond two bytes
    char* out = bytes.data();
    std::size_t outLeft = bytes.size();
    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    return bytes.size() - outLeft;
}

std::unique_ptr<ByteStream> PosixFileSystem::openForReading(const std::wstring& path) {
    const std::optional<std::string> name = nativeName(path);
    if (!Is(name, S_IFREG)) return nullptr;
    std::FILE* file = std::fopen(name->c_str(), "rb");
    if (!file) return nullptr;
    return std::make_unique<FileStream>(file);
}

std::wstring PosixFileSystem::fromAnsi(const std::string& bytes) {
    const IconvHandle converter("WCHAR_T", "CP932");
    if (!converter.valid()) return AsciiOnly(bytes);
    std::wstring wide;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        wchar_t buffer[256];
        char* out = reinterpret_cast<char*>(buffer);
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        wide.append(buffer, (sizeof buffer - outLeft) / sizeof(wchar_t));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one byte becomes one replacement character.
            wide += kReplacement;
            ++in;
            --inLeft;
            iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return wide;
}

std::string Utf8FromWide(const std::wstring& text) {
    std::string bytes;
    for (wchar_t wc : text) {
        auto c = static_cast<std::uint32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

std::wstring WideFromUtf8(const std::string& bytes) {
    std::wstring text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int length = SequenceLength(lead);
        std::uint32_t c = length == 1 ? lead : lead & (0x7F >> length);  // the lead byte's value bits
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= kSmallest[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        text += valid ? static_cast<wchar_t>(c) : kReplacement;
        i += valid ? length : 1;
    }
    return text;
}

std::wstring PosixFileSystem::upperCase(const std::wstring& text) {
    std::wstring upper = text;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return upper;
}

}  // namespace tapivex::check
