// Every fuzz target's seeds, and every input kept from a finding (fuzz/regressions/<target>/),
// run once through the target's entry point: natively, with the sanitizers, without libFuzzer.
// A target finds by ending the process, which the test summary counts as a failure; the input
// that did it is named on stderr first. The files of this program are in memory (see
// platform/memory), so the kept inputs are read with the standard library.

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

#include "platform/memory/memory_files.h"
#include "platform/platform.h"
#include "seeds.h"

// The targets' LLVMFuzzerTestOneInput, each renamed at its compilation (fuzz/CMakeLists.txt).
extern "C" int ZrFuzz_package(const uint8_t* data, size_t size);
extern "C" int ZrFuzz_gif(const uint8_t* data, size_t size);
extern "C" int ZrFuzz_jpeg(const uint8_t* data, size_t size);
extern "C" int ZrFuzz_isolist(const uint8_t* data, size_t size);
extern "C" int ZrFuzz_wmi(const uint8_t* data, size_t size);

namespace zr::fuzz {
namespace {

namespace fs = std::filesystem;
using platform::File;

std::string gCurrent;  // the input being run, for the last words of a process that ends

void NameTheInput() {
    const std::string line = "fuzz replay: ended by " + gCurrent + "\n";
    (void)!write(STDERR_FILENO, line.data(), line.size());
}

void OnAbort(int) {
    NameTheInput();
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

struct Target {
    std::string name;
    int (*run)(const uint8_t*, size_t);
};

class Replay : public testing::TestWithParam<Target> {
  protected:
    static void SetUpTestSuite() {
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback(NameTheInput);
#endif
        std::signal(SIGABRT, OnAbort);
    }
    static void TearDownTestSuite() {
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback(nullptr);
#endif
        std::signal(SIGABRT, SIG_DFL);
    }

    void Run(const std::string& name, const std::string& bytes) {
        gCurrent = GetParam().name + "/" + name;
        GetParam().run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++runs_;
    }

    int runs_ = 0;
};

TEST_P(Replay, EverySeedAndKeptInputRunsClean) {
    for (const Seed& seed : SeedsOf(GetParam().name)) Run("seed-" + seed.name, seed.bytes);
    EXPECT_GT(runs_, 0) << "no seeds";
    const fs::path kept = fs::path(ZR_FUZZ_REGRESSIONS) / GetParam().name;
    if (!fs::is_directory(kept)) return;
    for (const auto& item : fs::directory_iterator(kept)) {
        std::ifstream in(item.path(), std::ios::binary);
        Run(item.path().filename().string(), {std::istreambuf_iterator<char>(in), {}});
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay,
                         testing::Values(Target{"package", ZrFuzz_package},
                                         Target{"gif", ZrFuzz_gif}, Target{"jpeg", ZrFuzz_jpeg},
                                         Target{"isolist", ZrFuzz_isolist},
                                         Target{"wmi", ZrFuzz_wmi}),
                         [](const auto& target) { return target.param.name; });

// The guard is what makes a write outside the target a finding; these are the ways out.
TEST(MemoryFiles, AChangeOutsideTheGuardedFolderEndsTheProcess) {
    auto guarded = [](auto change) {
        platform::memory::Reset();
        platform::MakeFolders("C:\\A\\B\\OUT");
        platform::memory::AbortOnWritesOutside("C:\\a\\b\\out");
        change();
        platform::memory::Reset();
    };
    auto create = [](const std::string& path) {
        return [path] { File::Open(path, File::Access::CreateExclusive); };
    };
    const char* kOutside = "outside the guarded folder";
    EXPECT_DEATH(guarded(create("C:\\A\\B\\x")), kOutside);
    EXPECT_DEATH(guarded(create("C:\\A\\B\\OUT2\\x")), kOutside);
    EXPECT_DEATH(guarded(create("C:\\A\\B\\OUT\\sub\\..\\..\\x")), kOutside);
    EXPECT_DEATH(guarded(create("C:\\A\\B\\OUT\\. .\\x")), kOutside);
    EXPECT_DEATH(guarded(create("C:\\A\\B\\OUT\\nul.txt")), kOutside);
    EXPECT_DEATH(guarded(create("OUT\\x")), kOutside);
    EXPECT_DEATH(guarded([] { platform::MakeFolder("D:\\OUT"); }), kOutside);
    EXPECT_DEATH(guarded([] { File::Open("C:\\A\\x", File::Access::UpdateOwnFile); }), kOutside);
    EXPECT_DEATH(guarded([] { platform::MoveOver("C:\\A\\B\\OUT\\x", "C:\\A\\x"); }), kOutside);

    guarded([] {
        EXPECT_TRUE(File::Open("c:/a/b/out/X. ", File::Access::CreateExclusive).IsOpen());
        EXPECT_TRUE(platform::IsFile("C:\\A\\B\\OUT\\x"));
        // Windows stays at the root for a ".." there.
        EXPECT_TRUE(File::Open("C:\\..\\A\\B\\OUT\\z", File::Access::CreateExclusive).IsOpen());
        EXPECT_TRUE(platform::MakeFolder("C:\\A\\B\\OUT\\sub"));
        EXPECT_TRUE(platform::MoveOver("C:\\A\\B\\OUT\\x", "C:\\A\\B\\OUT\\sub\\y"));
        EXPECT_EQ(platform::memory::Contents("C:\\A\\B\\OUT\\SUB\\Y"), "");
    });
}

// An update, as the log makes, keeps what is there until it is cut at the position.
TEST(MemoryFiles, AnUpdateKeepsTheBytesUpToWhereItIsCut) {
    platform::memory::Reset();
    File::Open("C:\\log", File::Access::CreateExclusive).Write("abcdef", 6);
    {
        File file = File::Open("c:/LOG", File::Access::UpdateOwnFile);
        char first = 0;
        ASSERT_EQ(file.Read(&first, 1), 1u);
        EXPECT_EQ(first, 'a');
        file.Seek(2);
        file.Truncate();
    }
    EXPECT_EQ(platform::memory::Contents("C:\\log"), "ab");
    platform::memory::Reset();
}

}  // namespace
}  // namespace zr::fuzz
