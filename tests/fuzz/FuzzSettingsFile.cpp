// Any bytes as TapiVEX.CFG, read by the checker's reader of the Linux build and
// turned into the program's choice of folder: a run-time failure (TempPathType
// beyond 16 bits) at most, and what is read fits the buffer it was read into.
#include <cstdint>
#include <string>

#include "FakeSystem.h"
#include "IniProfile.h"
#include "config/SettingsFile.h"

static void Check(bool invariant) { if (!invariant) __builtin_trap(); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tapivex;
    testing::FakeSystem fake;
    const std::wstring file = L"C:\\Tools\\TapiVEX.CFG";
    fake.addFile(file, std::string(reinterpret_cast<const char*>(data), size));
    fake.folders.insert(L"C:\\Cache");
    check::IniProfile profile(fake);
    try {
        const ConversionFolderChoice choice = ReadSettingsFile(fake, profile, file, L"C:\\Temp\\");
        Check(choice.UserFolderSetting.size() < 256 && !choice.ConvertFolder.empty());
    } catch (const RuntimeFailure&) {
    }
    for (std::size_t buffer : {0u, 1u, 5u}) {  // room for the text and its NUL
        Check(profile.readString(file, L"Setting", L"UserTempPath", L"default", buffer).size() + (buffer > 0) <= buffer);
    }
    return 0;
}
