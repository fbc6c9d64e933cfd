// Times the program's own picture conversion (WicPictureLoader::load, then
// Picture::saveAsBitmap: the calls the load sequence makes for each JPEG or
// GIF entry) and measures its memory, inside one Windows process, so that the
// start-up of Wine stays out of the figures.
//
//   bench_convert batch <list> <out-folder>
//       <list>: lines "group<TAB>picture path". Lines of the group "warmup" run
//       first and untimed (they load the imaging DLLs, as the program's first
//       conversion does). Prints "group <name> <pictures> <seconds> <load
//       seconds> <save seconds>" per group and "total <pictures> <seconds>".
//   bench_convert lean <list> <out-folder>
//       The same pictures and output through the shortest path that WIC
//       offers, as a yardstick for the program's path (not the program's code):
//       the decoder's pixels copied once as 24-bit rows (a GIF through the
//       32-bit converter, which Wine needs) and written by hand as a bitmap
//       file. Prints like batch, with the load and save times of that path.
//   bench_convert memory|memory-lean <warm-up picture>... <picture> <bitmap>
//       Converts the warm-up pictures, then one picture (through the program's
//       path, or the lean one), and prints the working set before it and the
//       peak working sets of its load and of its save.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <wincodec.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Win32System.h"

namespace tapivex::bench {
namespace {

class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

double secondsNow() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency);
}

void convert(PictureLoader& loader, const std::wstring& picture, const std::wstring& bitmap) {
    loader.load(picture)->saveAsBitmap(bitmap);
}

void check(HRESULT result, const char* what) {
    if (FAILED(result)) throw std::runtime_error(what);
}

class File {
public:
    explicit File(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (handle_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create the bitmap file");
    }
    ~File() { CloseHandle(handle_); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    void write(const void* bytes, std::size_t size) {
        DWORD written = 0;
        if (!WriteFile(handle_, bytes, static_cast<DWORD>(size), &written, nullptr) || written != size) {
            throw std::runtime_error("cannot write the bitmap file");
        }
    }

private:
    HANDLE handle_;
};

// A picture decoded into bottom-up 24-bit rows, ready to be written as they are.
struct Rows {
    UINT width = 0;
    UINT height = 0;
    UINT stride = 0;
    std::vector<BYTE> pixels;
};

Rows leanLoad(const std::wstring& path) {
    ComPtr<IWICImagingFactory> factory;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.put())),
          "factory");
    ComPtr<IWICBitmapDecoder> decoder;
    check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                             decoder.put()),
          "decoder");
    ComPtr<IWICBitmapFrameDecode> frame;
    check(decoder->GetFrame(0, frame.put()), "frame");
    Rows rows;
    check(frame->GetSize(&rows.width, &rows.height), "size");
    rows.stride = (rows.width * 3 + 3) & ~3u;
    rows.pixels.resize(static_cast<std::size_t>(rows.stride) * rows.height);
    WICPixelFormatGUID format{};
    check(frame->GetPixelFormat(&format), "format");
    // Top-down rows from WIC, copied into the bottom-up order of the file.
    auto copyRows = [&](IWICBitmapSource* source, UINT bytesPerPixel, auto&& pack) {
        std::vector<BYTE> row(static_cast<std::size_t>(rows.width) * bytesPerPixel);
        for (UINT y = 0; y < rows.height; ++y) {
            const WICRect line{0, static_cast<INT>(y), static_cast<INT>(rows.width), 1};
            check(source->CopyPixels(&line, static_cast<UINT>(row.size()), static_cast<UINT>(row.size()), row.data()),
                  "pixels");
            pack(row.data(), &rows.pixels[static_cast<std::size_t>(rows.height - 1 - y) * rows.stride]);
        }
    };
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        copyRows(frame.get(), 3, [&](const BYTE* from, BYTE* to) { std::memcpy(to, from, rows.width * 3); });
    } else {
        ComPtr<IWICFormatConverter> converter;
        check(factory->CreateFormatConverter(converter.put()), "converter");
        check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                    WICBitmapPaletteTypeCustom),
              "conversion");
        copyRows(converter.get(), 4, [&](const BYTE* from, BYTE* to) {
            for (UINT x = 0; x < rows.width; ++x, from += 4, to += 3) {
                const unsigned alpha = from[3];  // transparent pixels black, as premultiplied ones are
                to[0] = static_cast<BYTE>(from[0] * alpha / 255);
                to[1] = static_cast<BYTE>(from[1] * alpha / 255);
                to[2] = static_cast<BYTE>(from[2] * alpha / 255);
            }
        });
    }
    return rows;
}

void leanSave(const Rows& rows, const std::wstring& path) {
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(rows.pixels.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = static_cast<LONG>(rows.width);
    info.biHeight = static_cast<LONG>(rows.height);
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = imageBytes;
    info.biXPelsPerMeter = info.biYPelsPerMeter = 3780;  // 96 dpi
    File out(path);
    out.write(&file, sizeof file);
    out.write(&info, sizeof info);
    out.write(rows.pixels.data(), rows.pixels.size());
}

struct GroupTimes {
    int pictures = 0;
    double loadSeconds = 0;
    double saveSeconds = 0;
};

std::wstring wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

struct Job {
    std::string group;
    std::wstring picture;
};

std::vector<Job> readJobs(const std::wstring& listPath) {
    std::ifstream in(listPath.c_str());
    std::vector<Job> jobs;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        jobs.push_back({line.substr(0, tab), wide(line.substr(tab + 1))});
    }
    return jobs;
}

double leanConvert(const std::wstring& picture, const std::wstring& bitmap, double& saveSeconds) {
    const double start = secondsNow();
    Rows rows = leanLoad(picture);
    const double loaded = secondsNow();
    leanSave(rows, bitmap);
    rows = Rows{};
    saveSeconds = secondsNow() - loaded;
    return loaded - start;
}

int runBatch(const std::wstring& listPath, const std::wstring& outFolder, bool lean) {
    const std::vector<Job> jobs = readJobs(listPath);
    WicPictureLoader loader;
    std::map<std::string, GroupTimes> groups;
    int number = 0;
    for (const Job& job : jobs) {
        const std::wstring bitmap = outFolder + L"\\out" + std::to_wstring(number++) + L".bmp";
        if (job.group == "warmup") {
            convert(loader, job.picture, bitmap);
            continue;
        }
        if (lean) {
            GroupTimes& times = groups[job.group];
            double saveSeconds = 0;
            times.loadSeconds += leanConvert(job.picture, bitmap, saveSeconds);
            times.saveSeconds += saveSeconds;
            ++times.pictures;
            continue;
        }
        // The load sequence's own order: load, (let messages run), save.
        const double start = secondsNow();
        std::unique_ptr<Picture> picture = loader.load(job.picture);
        const double loaded = secondsNow();
        picture->saveAsBitmap(bitmap);
        picture.reset();
        const double saved = secondsNow();
        GroupTimes& times = groups[job.group];
        ++times.pictures;
        times.loadSeconds += loaded - start;
        times.saveSeconds += saved - loaded;
    }
    int totalCount = 0;
    double totalSeconds = 0;
    for (const auto& [name, times] : groups) {
        const double seconds = times.loadSeconds + times.saveSeconds;
        std::printf("group %s %d %.6f %.6f %.6f\n", name.c_str(), times.pictures, seconds, times.loadSeconds,
                    times.saveSeconds);
        totalCount += times.pictures;
        totalSeconds += seconds;
    }
    std::printf("total %d %.6f\n", totalCount, totalSeconds);
    return 0;
}

PROCESS_MEMORY_COUNTERS memoryNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// Prints the working set before one conversion, the peak working set once it
// has loaded and once it has saved. Wine keeps the peak as its own running
// maximum since the process started, which the small warm-up keeps low.
template <typename Load, typename Save>
int measureMemory(Load&& load, Save&& save) {
    const PROCESS_MEMORY_COUNTERS before = memoryNow();
    load();
    const PROCESS_MEMORY_COUNTERS loaded = memoryNow();
    save();
    const PROCESS_MEMORY_COUNTERS saved = memoryNow();
    std::printf("before_ws %lu\n", static_cast<unsigned long>(before.WorkingSetSize));
    std::printf("before_peak_ws %lu\n", static_cast<unsigned long>(before.PeakWorkingSetSize));
    std::printf("loaded_ws %lu\n", static_cast<unsigned long>(loaded.WorkingSetSize));
    std::printf("load_peak_ws %lu\n", static_cast<unsigned long>(loaded.PeakWorkingSetSize));
    std::printf("peak_ws %lu\n", static_cast<unsigned long>(saved.PeakWorkingSetSize));
    std::printf("after_ws %lu\n", static_cast<unsigned long>(saved.WorkingSetSize));
    return 0;
}

int runMemory(const std::vector<std::wstring>& warmUps, const std::wstring& picture, const std::wstring& bitmap,
              bool lean) {
    WicPictureLoader loader;
    for (const std::wstring& warmUp : warmUps) convert(loader, warmUp, bitmap);
    if (lean) {
        Rows rows;
        return measureMemory([&] { rows = leanLoad(picture); }, [&] {
            leanSave(rows, bitmap);
            rows = Rows{};
        });
    }
    std::unique_ptr<Picture> loaded;
    return measureMemory([&] { loaded = loader.load(picture); }, [&] {
        loaded->saveAsBitmap(bitmap);
        loaded.reset();
    });
}

int usage() {
    std::fprintf(stderr, "usage: bench_convert batch|lean <list> <out-folder>\n"
                         "       bench_convert memory|memory-lean <warm-up picture>... <picture> <bitmap>\n");
    return 2;
}

int run(const std::vector<std::wstring>& args) {
    if (args.size() == 3 && args[0] == L"batch") return runBatch(args[1], args[2], false);
    if (args.size() == 3 && args[0] == L"lean") return runBatch(args[1], args[2], true);
    if (args.size() >= 3 && (args[0] == L"memory" || args[0] == L"memory-lean")) {
        const std::vector<std::wstring> warmUps(args.begin() + 1, args.end() - 2);
        return runMemory(warmUps, args[args.size() - 2], args.back(), args[0] == L"memory-lean");
    }
    return usage();
}

}  // namespace
}  // namespace tapivex::bench

int wmain(int argc, wchar_t** argv) {
    const tapivex::bench::ComApartment apartment;
    try {
        return tapivex::bench::run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "bench_convert: %s\n", failure.what());
        return 1;
    }
}
