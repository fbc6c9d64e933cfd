// What the fuzz targets share: a file system that lives in memory, and the
// check that stops a run at the first broken invariant.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "platform/System.h"

namespace tapivex::fuzz {

// Stops the run: libFuzzer records the input as a crash.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

// Bytes as Latin-1: each byte becomes the character of that code.
inline std::wstring Latin1(const std::string& bytes) {
    std::wstring text;
    for (const char c : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return text;
}

class MemoryStream : public ByteStream {
public:
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    std::size_t read(char* buffer, std::size_t capacity) override {
        const std::size_t n = std::min(capacity, bytes_.size() - pos_);
        bytes_.copy(buffer, n, pos_);
        pos_ += n;
        return n;
    }

private:
    std::string bytes_;
    std::size_t pos_ = 0;
};

// One file, Tapivex.INI, holding `listBytes`. A path "exists" as a file when
// its length is even, so that both branches of every test run; folders exist
// as `folderExists_` decides.
class MemoryFiles : public FileSystem {
public:
    std::string listBytes;
    wchar_t separator = L'.';
    unsigned folderSeed = 0;

    std::wstring programFolder() override { return L"C:\\Tapivex"; }
    std::optional<std::wstring> windowsTempPath() override { return L"C:\\Temp\\"; }
    bool setCurrentDirectory(const std::wstring&) override { return true; }
    bool fileExists(const std::wstring& path) override { return path.size() % 2 == 0; }
    // Pseudo-random, but the same answer for the same path within a run.
    bool folderExists(const std::wstring& path) override {
        unsigned hash = folderSeed;
        for (const wchar_t c : path) hash = hash * 31u + static_cast<unsigned>(c);
        return (hash >> 3) % 2 == 0;
    }
    std::wstring upperCase(const std::wstring& text) override { return text; }  // not read by the file readings
    void deleteFile(const std::wstring&) override {}
    std::unique_ptr<ByteStream> openForReading(const std::wstring& path) override {
        if (path != L"Tapivex.INI") return nullptr;
        return std::make_unique<MemoryStream>(listBytes);
    }
    std::wstring fromAnsi(const std::string& bytes) override { return Latin1(bytes); }
    wchar_t decimalSeparator() override { return separator; }
};

// A decimal separator for the locale: the comma, the point, or any other character.
inline wchar_t PickSeparator(FuzzedDataProvider& input) {
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    return pick % 3 == 0 ? L',' : pick % 3 == 1 ? L'.' : static_cast<wchar_t>(pick);
}

}  // namespace tapivex::fuzz
