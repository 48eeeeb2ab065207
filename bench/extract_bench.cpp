// How fast the archive reader unpacks, and how much memory it needs for it, next to the
// plainest zlib loop that does the same work: the same 64 KiB input and 512 KiB output
// buffers, one inflate stream per entry, the same files written with plain POSIX calls.
//
//   extract_bench [MiB] [rounds]     (or ZR_BENCH_MIB, ZR_BENCH_ROUNDS; default 1024 MiB, 5)
//
// Each run happens in a child process of its own, so its peak resident memory can be taken
// from a clean start: the child resets VmHWM through /proc/self/clear_refs, and what VmHWM
// grows by during the run is the run's own memory. Linux only.

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "kp_writer.h"
#include "package/u_Package.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kMiB = 1024 * 1024;
constexpr int64_t kFileSize = 32 * kMiB;
constexpr size_t kInputSize = 65536;    // what the reader pulls from the archive at a time
constexpr size_t kOutputSize = 524288;  // the reader's transfer buffer

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Owns a POSIX descriptor.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

void WriteAll(int fd, const void* data, size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("write");
        bytes += n;
        count -= static_cast<size_t>(n);
    }
}

size_t ReadSome(int fd, void* buffer, size_t count) {
    for (;;) {
        const ssize_t n = read(fd, buffer, count);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) Fail("read");
    }
}

// ---- test data ----

class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {  // splitmix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

  private:
    uint64_t state_;
};

std::string Noise(size_t size, Random& random) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; i += 8) {
        const uint64_t word = random.Next();
        std::memcpy(data.data() + i, &word, std::min<size_t>(8, size - i));
    }
    return data;
}

// Words of a made-up language with a skewed choice among them: deflate gets it down to
// about a third, much like logs or configuration text.
std::string Text(size_t size, Random& random) {
    std::vector<std::string> words;
    for (int i = 0; i < 400; ++i) {
        std::string word;
        const uint64_t bits = random.Next();
        const int length = 2 + static_cast<int>(bits % 9);
        for (int k = 0; k < length; ++k) {
            word.push_back(static_cast<char>('a' + (bits >> (8 + 5 * k)) % 26));
        }
        words.push_back(word);
    }
    std::string data;
    data.reserve(size + 16);
    while (data.size() < size) {
        const uint64_t bits = random.Next();
        // Squaring a uniform pick favours the first words, as real text favours a few.
        const double u = static_cast<double>(bits >> 11) / 9007199254740992.0;
        data += words[static_cast<size_t>(u * u * static_cast<double>(words.size()))];
        data.push_back((bits & 0xF) == 0 ? '\n' : ((bits & 0x1F) == 1 ? ',' : ' '));
    }
    data.resize(size);
    return data;
}

struct SourceFile {
    std::string name;  // as stored, "\" between folders
    int64_t size = 0;
    uLong crc = 0;
};

std::string HostName(const std::string& stored) {
    std::string name = stored;
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

void WriteHostFile(const std::string& path, const std::string& data) {
    fs::create_directories(fs::path(path).parent_path());
    const Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) Fail("create " + path);
    WriteAll(fd.get(), data.data(), data.size());
}

uLong Crc(const std::string& data) {
    return crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()),
                   data.size());
}

// Half noise, half text, alternating, in files of kFileSize (smaller for small totals).
std::vector<SourceFile> MakeSources(const std::string& folder, int64_t total) {
    const int64_t count = std::max<int64_t>(2, (total + kFileSize - 1) / kFileSize);
    const int64_t each = std::max<int64_t>(1, total / count);
    Random random(20240601);
    std::vector<SourceFile> files;
    for (int64_t i = 0; i < count; ++i) {
        const bool noise = i % 2 == 0;
        SourceFile file;
        char name[48];
        std::snprintf(name, sizeof name, "%s\\part%03lld.%s", noise ? "noise" : "text",
                      static_cast<long long>(i), noise ? "bin" : "txt");
        file.name = name;
        file.size = each;
        const std::string data = noise ? Noise(static_cast<size_t>(each), random)
                                       : Text(static_cast<size_t>(each), random);
        file.crc = Crc(data);
        WriteHostFile(folder + "/" + HostName(file.name), data);
        files.push_back(file);
    }
    return files;
}

uLong FileCrc(const std::string& path) {
    const Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) Fail("open " + path);
    std::vector<Bytef> buffer(1 << 20);
    uLong crc = crc32_z(0, nullptr, 0);
    while (const size_t n = ReadSome(fd.get(), buffer.data(), buffer.size())) {
        crc = crc32_z(crc, buffer.data(), n);
    }
    return crc;
}

// A run that wrote something other than the sources measured nothing worth reporting.
void Verify(const std::string& out, const std::vector<SourceFile>& files, const char* who) {
    for (const auto& file : files) {
        const std::string path = out + "/" + HostName(file.name);
        std::error_code error;
        const auto size = fs::file_size(path, error);
        if (error || static_cast<int64_t>(size) != file.size || FileCrc(path) != file.crc) {
            throw std::runtime_error(std::string(who) + " wrote a wrong " + path);
        }
    }
}

// ---- the plain loop ----

int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

struct PlainEntry {
    std::string name;
    int32_t unpacked = 0;
    int64_t offset = 0;
};

std::vector<PlainEntry> PlainIndex(int archive) {
    uint8_t header[23];
    if (pread(archive, header, sizeof header, 0) != sizeof header) Fail("header");
    std::vector<PlainEntry> entries(static_cast<size_t>(Le32(header + 3)));
    off_t position = sizeof header;
    for (auto& entry : entries) {
        uint8_t record[288];
        if (pread(archive, record, sizeof record, position) != sizeof record) Fail("record");
        entry.name = HostName(std::string(reinterpret_cast<const char*>(record + 1), record[0]));
        entry.unpacked = Le32(record + 256);
        entry.offset = position + static_cast<off_t>(sizeof record);
        position = entry.offset + Le32(record + 260);
    }
    return entries;
}

// One entry, as the reader does it: buffers made per entry, input pulled in 64 KiB blocks
// from the entry's offset, output written per 512 KiB chunk, and the stream followed to its
// end so its checksum is checked too.
void PlainInflate(int archive, const PlainEntry& entry, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    const Fd out(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0) Fail("create " + path);
    if (lseek(archive, entry.offset, SEEK_SET) < 0) Fail("seek");
    const auto input = std::make_unique<Bytef[]>(kInputSize);
    const auto output = std::make_unique<Bytef[]>(kOutputSize);
    z_stream stream{};
    if (inflateInit2(&stream, 15) != Z_OK) throw std::runtime_error("inflateInit2");
    const std::unique_ptr<z_stream, int (*)(z_stream*)> release(&stream, inflateEnd);
    bool ended = false;
    auto pull = [&](Bytef* to, size_t count) {
        stream.next_out = to;
        stream.avail_out = static_cast<uInt>(count);
        while (stream.avail_out > 0 && !ended) {
            if (stream.avail_in == 0) {
                stream.next_in = input.get();
                stream.avail_in = static_cast<uInt>(ReadSome(archive, input.get(), kInputSize));
                if (stream.avail_in == 0) break;
            }
            const int rc = inflate(&stream, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                ended = true;
            else if (rc != Z_OK)
                throw std::runtime_error("inflate");
        }
        return count - stream.avail_out;
    };
    int64_t remaining = entry.unpacked;
    do {
        const size_t got =
            pull(output.get(), static_cast<size_t>(std::min<int64_t>(kOutputSize, remaining)));
        WriteAll(out.get(), output.get(), got);
        remaining -= static_cast<int64_t>(got);
        if (got == 0) break;
    } while (remaining > 0);
    Bytef extra = 0;
    if (pull(&extra, 1) != 0 || !ended) throw std::runtime_error("stream does not end");
}

void PlainExtract(const std::string& archivePath, const std::string& outFolder) {
    const Fd archive(open(archivePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (archive.get() < 0) Fail("open " + archivePath);
    for (const auto& entry : PlainIndex(archive.get())) {
        PlainInflate(archive.get(), entry, outFolder + "/" + entry.name);
    }
}

// ---- measuring ----

int64_t HighWaterKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) return std::strtoll(line.c_str() + 6, nullptr, 10);
    }
    throw std::runtime_error("no VmHWM in /proc/self/status");
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Sample {
    double seconds = 0;     // wall time
    double cpuSeconds = 0;  // user + system time of the run
    int64_t peakKiB = 0;    // growth of VmHWM during the run, code first touched included
    int ok = 0;
    char error[200] = {};
};

// Runs work in a child process, from a freshly reset peak.
template <typename Work>
Sample Measure(Work work) {
    int fds[2];
    if (pipe(fds) != 0) Fail("pipe");
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) Fail("fork");
    if (pid == 0) {
        close(fds[0]);
        Sample sample;
        try {
            // Free heap pages handed back first, so that memory reused by the run shows.
            malloc_trim(0);
            std::ofstream("/proc/self/clear_refs") << "5";
            const int64_t before = HighWaterKiB();
            const double cpuStart = CpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            work();
            sample.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            sample.cpuSeconds = CpuSeconds() - cpuStart;
            sample.peakKiB = HighWaterKiB() - before;
            sample.ok = 1;
        } catch (const std::exception& e) {
            std::snprintf(sample.error, sizeof sample.error, "%s", e.what());
        }
        WriteAll(fds[1], &sample, sizeof sample);
        _exit(0);
    }
    close(fds[1]);
    Sample sample;
    const bool got = ReadSome(fds[0], &sample, sizeof sample) == sizeof sample;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!got) throw std::runtime_error("a measuring child died");
    if (!sample.ok) throw std::runtime_error(sample.error);
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int64_t Setting(int argc, char** argv, int index, const char* variable, int64_t fallback) {
    const char* text = argc > index ? argv[index] : std::getenv(variable);
    if (!text || !*text) return fallback;
    const long long value = std::strtoll(text, nullptr, 10);
    if (value <= 0) throw std::runtime_error(std::string("not a positive number: ") + text);
    return value;
}

struct Side {
    const char* name;
    std::vector<double> rates;     // MB/s by wall time
    std::vector<double> cpuRates;  // MB/s by CPU time
    int64_t peakKiB = 0;           // the largest of the runs
};

double Best(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

void Run(int argc, char** argv) {
    const int64_t total = Setting(argc, argv, 1, "ZR_BENCH_MIB", 1024) * kMiB;
    const int rounds = static_cast<int>(Setting(argc, argv, 2, "ZR_BENCH_ROUNDS", 5));

    const char* tmpdir = std::getenv("TMPDIR");
    const fs::path base =
        fs::path(tmpdir && *tmpdir ? tmpdir : "/tmp") / ("zrbench-" + std::to_string(getpid()));
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } cleanup{base};
    fs::create_directories(base);
    const std::string sources = (base / "src").string();
    const std::string archive = (base / "Data.Kp").string();

    std::fprintf(stderr, "making %lld MiB of data in %s ...\n",
                 static_cast<long long>(total / kMiB), base.c_str());
    const auto files = MakeSources(sources, total);
    std::fprintf(stderr, "packing ...\n");
    zr::kppack::PackFolder(zr::platform::FromHostPath(sources),
                           zr::platform::FromHostPath(archive));
    fs::remove_all(sources);
    sync();  // the archive's own writeback is not to fall on the first run
    int64_t unpacked = 0;
    for (const auto& file : files) unpacked += file.size;

    Side reader{"ExtractAll", {}, {}, 0};
    Side plain{"plain zlib loop", {}, {}, 0};
    const std::string out = (base / "OUT").string();
    auto once = [&](Side& side, bool check, bool counted) {
        fs::remove_all(out);
        sync();  // each run starts without the last one's writes pending
        const Sample sample = Measure([&] {
            if (&side == &reader) {
                zr::VEDUderivu extractor;
                const int32_t result = extractor.ExtractAll(zr::platform::FromHostPath(archive),
                                                            zr::platform::FromHostPath(out));
                if (result != static_cast<int32_t>(files.size())) {
                    throw std::runtime_error("ExtractAll gave " + std::to_string(result));
                }
            } else {
                PlainExtract(archive, out);
            }
        });
        if (check) Verify(out, files, side.name);
        const double rate = static_cast<double>(unpacked) / sample.seconds / 1e6;
        const double cpuRate = static_cast<double>(unpacked) / sample.cpuSeconds / 1e6;
        side.peakKiB = std::max(side.peakKiB, sample.peakKiB);
        if (counted) {
            side.rates.push_back(rate);
            side.cpuRates.push_back(cpuRate);
        }
        std::fprintf(stderr, "  %-16s %8.1f MB/s wall %8.1f MB/s cpu  peak +%lld KiB%s\n",
                     side.name, rate, cpuRate, static_cast<long long>(sample.peakKiB),
                     counted ? "" : "  (warm-up)");
    };
    // The first runs after packing pay for a cold start whichever side goes first; they
    // check the output but do not count.
    once(reader, true, false);
    once(plain, true, false);
    // Alternating, and in the opposite order every other round, so drift in the machine's
    // state (page cache, writeback, frequency) falls on both sides alike.
    for (int round = 0; round < rounds; ++round) {
        Side& first = round % 2 ? plain : reader;
        Side& second = round % 2 ? reader : plain;
        once(first, false, true);
        once(second, false, true);
    }

    const int64_t packed = static_cast<int64_t>(fs::file_size(archive));
    std::printf(
        "data: %zu files, %lld bytes unpacked (half random, half text), archive %lld "
        "bytes\n",
        files.size(), static_cast<long long>(unpacked), static_cast<long long>(packed));
    // Whatever else runs on the machine can only slow a run down, never speed it up, so the
    // fastest run of a side is the closest to what its code costs: the goal is judged on the
    // best runs, and the medians show how much the machine's noise moved them.
    std::printf(
        "runs: %d per side after one warm-up each, alternating; MB/s = unpacked "
        "bytes (10^6) per second of wall time, and per second of CPU time (user + "
        "system); best run (median)\n",
        rounds);
    for (const Side* side : {&reader, &plain}) {
        std::printf(
            "%-16s wall %7.1f MB/s (%.1f)  cpu %7.1f MB/s (%.1f)  peak memory beyond "
            "baseline %lld KiB\n",
            side->name, Best(side->rates), Median(side->rates), Best(side->cpuRates),
            Median(side->cpuRates), static_cast<long long>(side->peakKiB));
    }
    const double ratio = Best(reader.rates) / Best(plain.rates);
    const double cpuRatio = Best(reader.cpuRates) / Best(plain.cpuRates);
    std::printf(
        "ratio ExtractAll/plain, best runs: wall %.3f, cpu %.3f  (goal >= 0.95: %s); "
        "medians: wall %.3f, cpu %.3f\n",
        ratio, cpuRatio, std::min(ratio, cpuRatio) >= 0.95 ? "met" : "MISSED",
        Median(reader.rates) / Median(plain.rates),
        Median(reader.cpuRates) / Median(plain.cpuRates));
    std::printf("ExtractAll peak memory: %.2f MiB, largest of all its runs  (goal < 2 MiB: %s)\n",
                static_cast<double>(reader.peakKiB) / 1024.0,
                reader.peakKiB < 2048 ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(argc, argv);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "extract_bench: %s\n", e.what());
        return 1;
    }
}
