// tapivex-check on Linux: arguments and output in UTF-8; the settings file read
// by the portable reader; pictures not decoded.
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#include "IniProfile.h"
#include "ListCheck.h"
#include "PosixFileSystem.h"

namespace {

// The prefix whose drive links name the Windows drives, as Wine itself chooses it.
std::optional<std::string> WinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return std::string(prefix);
    const char* home = std::getenv("HOME");
    if (!home) return std::nullopt;
    const std::string prefix = std::string(home) + "/.wine";
    struct stat info {};
    if (stat(prefix.c_str(), &info) != 0) return std::nullopt;
    return prefix;
}

void Write(std::FILE* stream, const std::wstring& text) {
    const std::string bytes = tapivex::check::Utf8FromWide(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(tapivex::check::WideFromUtf8(argv[i]));
    tapivex::check::PosixFileSystem files(WinePrefix());
    tapivex::check::IniProfile profile(files);
    std::wstring out, err;
    const int code = tapivex::check::RunTool(args, {files, profile}, out, err);
    Write(stdout, out);
    Write(stderr, err);
    return std::fflush(stdout) == 0 ? code : 3;
}
