// The platform layer behaves as Windows does, on Windows and on POSIX alike.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>

#include "platform/posix/drive_map.h"
#endif

#include "platform/error.h"
#include "platform/folder.h"
#include "platform/platform.h"
#include "platform/sha256.h"
#include "support/temp_folder.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/drive_map.h"
#endif

#ifdef _WIN32
#include <windows.h>

#include <sddl.h>

#include "platform/win32/private_folder.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"

// The program's own imports, which a test may point elsewhere for a while.
extern "C" decltype(&CreateFileW) __imp_CreateFileW;
extern "C" decltype(&GetFileInformationByHandle) __imp_GetFileInformationByHandle;
#endif

namespace zr::platform {
namespace {

using test::TempFolder;

TEST(Files, AFolderIsNotAFile) {
    TempFolder tmp;
    MakeFolder(tmp / "dir");
    test::WriteFile(tmp / "file.bin", "12345");
    EXPECT_TRUE(IsFile(tmp / "file.bin"));
    EXPECT_FALSE(IsFile(tmp / "dir"));
    EXPECT_TRUE(IsFolder(tmp / "dir"));
    EXPECT_FALSE(IsFile(tmp / "missing"));
    EXPECT_EQ(FileLength(tmp / "file.bin"), 5);
    EXPECT_EQ(FileLength(tmp / "dir"), std::nullopt);
}

// FIPS 180-4's examples; the last spans many reads of the file and many blocks of the hash.
TEST(Sha256, OfAFilesWholeContent) {
    const struct {
        std::string content;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    TempFolder tmp;
    for (const auto& c : cases) {
        test::WriteFile(tmp / "f", c.content);
        File file = File::Open(tmp / "f", File::Access::ReadDenyWrite);
        char first = 0;
        file.Read(&first, 1);  // the digest covers the file from its start whatever was read
        EXPECT_EQ(Sha256Hex(file), c.digest) << c.content.size() << " bytes";
    }
}

TEST(Files, NamesAreFoundWithoutRegardToCase) {
    TempFolder tmp;
    test::WriteFile(tmp / "Mixed.TXT", "x");
    EXPECT_TRUE(IsFile(tmp / "mixed.txt"));
    EXPECT_TRUE(IsFile(tmp / "MIXED.txt"));
}

TEST(Files, MakeFoldersCreatesEveryMissingLevel) {
    TempFolder tmp;
    EXPECT_FALSE(MakeFolder(tmp / "a\\b"));  // one level only
    MakeFolders(tmp / "a\\b\\c\\");
    EXPECT_TRUE(IsFolder(tmp / "a\\b\\c"));
    EXPECT_FALSE(MakeFolder(tmp / "a"));  // exists already
}

TEST(Files, ChineseNamesSurvive) {
    TempFolder tmp;
    const std::string name = tmp / "启动盘 目录\\镜像.iso";
    test::WriteFile(name, "data");
    ASSERT_TRUE(IsFile(name));
    const auto entries = ListFolder(tmp / "启动盘 目录");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "镜像.iso");
}

TEST(Attributes, ReadOnlyAndHiddenRoundTrip) {
    TempFolder tmp;
    const std::string file = tmp / "f";
    test::WriteFile(file, "x");
    ASSERT_TRUE(WriteAttributes(file, kAttrReadOnly | kAttrHidden));
    const auto attributes = ReadAttributes(file);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(*attributes & (kAttrReadOnly | kAttrHidden | kAttrDirectory),
              kAttrReadOnly | kAttrHidden);
    EXPECT_TRUE(WriteAttributes(file, kAttrNormal));
    EXPECT_EQ(*ReadAttributes(file) & (kAttrReadOnly | kAttrHidden), 0u);
    EXPECT_FALSE(WriteAttributes(tmp / "missing", kAttrNormal));
}

TEST(Attributes, AReadOnlyFileCanNeitherBeReplacedNorDeleted) {
    if (!test::ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
    TempFolder tmp;
    const std::string file = tmp / "ro";
    test::WriteFile(file, "keep");
    ASSERT_TRUE(WriteAttributes(file, kAttrReadOnly));
    const File created = File::Open(file, File::Access::CreateExclusive);
    EXPECT_FALSE(created.IsOpen());
    EXPECT_FALSE(created.ErrorText().empty());
    EXPECT_FALSE(RemoveFile(file));
    EXPECT_EQ(test::ReadFile(file), "keep");
}

TEST(Attributes, AHiddenOrSystemFileIsReplacedAndKeepsThem) {
    TempFolder tmp;
    const std::string file = tmp / "grldr";
    test::WriteFile(file, "old contents");
    ASSERT_TRUE(WriteAttributes(file, kAttrHidden | kAttrSystem));
    File created = File::Open(file, File::Access::CreateExclusive);
    ASSERT_TRUE(created.IsOpen()) << created.ErrorText();
    created.Write("new", 3);
    created.Close();
    EXPECT_EQ(test::ReadFile(file), "new");
    EXPECT_EQ(*ReadAttributes(file) & (kAttrHidden | kAttrSystem), kAttrHidden | kAttrSystem);
}

TEST(Sharing, AFileBeingWrittenCannotBeOpenedByOthers) {
    TempFolder tmp;
    File writer = File::Open(tmp / "w", File::Access::CreateExclusive);
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_FALSE(File::Open(tmp / "w", File::Access::ReadShared).IsOpen());
    writer.Close();
    File reader = File::Open(tmp / "w", File::Access::ReadShared);
    EXPECT_TRUE(reader.IsOpen());
    EXPECT_TRUE(File::Open(tmp / "w", File::Access::ReadShared).IsOpen());
}

TEST(Sharing, CreatingTruncatesOnlyOnceOpen) {
    TempFolder tmp;
    test::WriteFile(tmp / "f", "old contents");
    File file = File::Open(tmp / "f", File::Access::CreateExclusive);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 0);
    file.Write("new", 3);
    file.Close();
    EXPECT_EQ(test::ReadFile(tmp / "f"), "new");
}

TEST(Folders, ListingShowsFilesAndFoldersButNotDots) {
    TempFolder tmp;
    MakeFolder(tmp / "sub");
    test::WriteFile(tmp / "a.txt", "");
    auto entries = ListFolder(tmp.path());
    ASSERT_EQ(entries.size(), 2u);
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_FALSE(entries[0].attributes & kAttrDirectory);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_TRUE(entries[1].attributes & kAttrDirectory);
    EXPECT_TRUE(ListFolder(tmp / "missing").empty());
}

TEST(Folders, MoveOverPutsTheNewFileInPlace) {
    TempFolder tmp;
    test::WriteFile(tmp / "list", "old");
    test::WriteFile(tmp / "list.new", "new");
    ASSERT_TRUE(MoveOver(tmp / "list.new", tmp / "list"));
    EXPECT_EQ(test::ReadFile(tmp / "list"), "new");
    EXPECT_FALSE(IsFile(tmp / "list.new"));
}

TEST(PrivateFolder, IsMadeAfreshOrNotAtAll) {
    TempFolder tmp;
    const Folder parent = Folder::Open(tmp / "");
    ASSERT_TRUE(parent.IsOpen()) << parent.ErrorText();
    EXPECT_TRUE(parent.CreatePrivateChild("new").IsOpen());
    EXPECT_TRUE(IsFolder(tmp / "new"));
    // Anything already there could be somebody else's.
    EXPECT_FALSE(parent.CreatePrivateChild("NEW").IsOpen());
    test::WriteFile(tmp / "file", "f");
    Folder onFile = parent.CreatePrivateChild("file");
    EXPECT_FALSE(onFile.IsOpen());
    EXPECT_FALSE(onFile.ErrorText().empty());
}

#ifdef _WIN32
TEST(PrivateFolder, CannotBeRenamedWhileHeld) {
    TempFolder tmp;
    Folder folder = Folder::Open(tmp / "").CreatePrivateChild("held");
    ASSERT_TRUE(folder.IsOpen());
    EXPECT_FALSE(MoveOver(tmp / "held", tmp / "moved"));
    folder.Close();
    EXPECT_TRUE(MoveOver(tmp / "held", tmp / "moved"));
}

// Wine keeps no security descriptors, so what the system is asked for is looked at instead.
namespace asked {
std::wstring sddl;
ULONG share = 0, disposition = 0, options = 0;

NTSTATUS NTAPI Record(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                      PIO_STATUS_BLOCK io, PLARGE_INTEGER size, ULONG fileAttributes,
                      ULONG shareAccess, ULONG createDisposition, ULONG createOptions, PVOID ea,
                      ULONG eaLength) {
    wchar_t* text = nullptr;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            attributes->SecurityDescriptor, SDDL_REVISION_1,
            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
        sddl = text;
        LocalFree(text);
    }
    share = shareAccess;
    disposition = createDisposition;
    options = createOptions;
    return win32::SystemNtCreateFile()(handle, access, attributes, io, size, fileAttributes,
                                       shareAccess, createDisposition, createOptions, ea, eaLength);
}

decltype(&CreateFileW) createFile = nullptr;
DWORD flags = 0;
HANDLE WINAPI RecordCreateFile(LPCWSTR name, DWORD access, DWORD shareMode,
                               LPSECURITY_ATTRIBUTES sa, DWORD creation, DWORD flagsAndAttributes,
                               HANDLE templateFile) {
    flags = flagsAndAttributes;
    return createFile(name, access, shareMode, sa, creation, flagsAndAttributes, templateFile);
}

// What Windows says of a link opened as itself.
decltype(&GetFileInformationByHandle) fileInformation = nullptr;
BOOL WINAPI AsLink(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    const BOOL ok = fileInformation(file, info);
    info->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return ok;
}
}  // namespace asked

TEST(PrivateFolder, IsForAdministratorsOnlyAndCreatedAndHeldInOneStep) {
    TempFolder tmp;
    const Folder parent = Folder::Open(tmp / "");
    DWORD code = 0;
    const HANDLE folder = win32::CreatePrivateFolder(
        reinterpret_cast<HANDLE>(parent.NativeHandle()), L"private", asked::Record, code);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE) << code;
    CloseHandle(folder);
    EXPECT_EQ(asked::sddl, L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
    EXPECT_EQ(asked::share & FILE_SHARE_DELETE, 0u);
    EXPECT_EQ(asked::disposition, 2u);  // FILE_CREATE: never an existing folder or link
    EXPECT_EQ(asked::options & 0x00200001u, 0x00200001u);  // a folder, links not followed
}

// A DLL of no system's name, built beside this program as a planted one would lie: once the
// process is hardened, nothing loads it by name.
TEST(SystemLibrary, ADllBesideTheProgramIsNotFoundByName) {
    win32::HardenProcess();
    EXPECT_EQ(LoadLibraryW(L"zr_planted.dll"), nullptr);
    const HMODULE planted = LoadLibraryW(win32::Widen(ProgramFolder() + "zr_planted.dll").c_str());
    EXPECT_NE(planted, nullptr);  // it is there all the same
    if (planted) FreeLibrary(planted);
}
#endif

// The log's rule: never written through a link, nor into a file that has another name too.
TEST(Sharing, AFileToUpdateIsNeitherALinkNorAFileWithAnotherName) {
    TempFolder tmp;
    test::WriteFile(tmp / "log", "");
    EXPECT_TRUE(File::Open(tmp / "log", File::Access::UpdateOwnFile).IsOpen());
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkW(win32::Widen(tmp / "second").c_str(),
                                win32::Widen(tmp / "log").c_str(), nullptr));
#else
    // Wine follows a host link on every open: the Win32 layer shows its rule in its calls below.
    ASSERT_EQ(symlink("log", posix::ToHostPath(tmp / "link")->c_str()), 0);
    EXPECT_FALSE(File::Open(tmp / "link", File::Access::UpdateOwnFile).IsOpen());
    ASSERT_EQ(
        link(posix::ToHostPath(tmp / "log")->c_str(), posix::ToHostPath(tmp / "second")->c_str()),
        0);
#endif
    EXPECT_FALSE(File::Open(tmp / "log", File::Access::UpdateOwnFile).IsOpen());
#ifdef _WIN32
    asked::createFile = std::exchange(__imp_CreateFileW, asked::RecordCreateFile);
    File::Open(tmp / "new", File::Access::UpdateOwnFile);
    __imp_CreateFileW = asked::createFile;
    EXPECT_TRUE(asked::flags & FILE_FLAG_OPEN_REPARSE_POINT);
    asked::fileInformation = std::exchange(__imp_GetFileInformationByHandle, asked::AsLink);
    EXPECT_FALSE(File::Open(tmp / "new", File::Access::UpdateOwnFile).IsOpen());
    __imp_GetFileInformationByHandle = asked::fileInformation;
#endif
}

TEST(Volumes, TheTemporaryFolderHasAVolume) {
    const std::string temp = platform::TempFolder();
    ASSERT_GE(temp.size(), 3u);
    EXPECT_EQ(temp.substr(1, 2), ":\\");
    EXPECT_EQ(temp.back(), '\\');
    const auto space = QueryVolumeSpace(temp.substr(0, 3));
    ASSERT_TRUE(space);
    EXPECT_GT(space->total, 0);
    EXPECT_LE(space->freeToCaller, space->total);
}

#ifdef _WIN32
// Gives an environment variable of this process a value while the object lives.
class ScopedVariable {
  public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        if (const DWORD size = GetEnvironmentVariableW(name, nullptr, 0)) {
            old_.emplace(size, L'\0');
            old_->resize(GetEnvironmentVariableW(name, old_->data(), size));
        }
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const wchar_t* name_;
    std::optional<std::wstring> old_;
};

// The system reads TMP before TEMP; a deep profile can make it longer than MAX_PATH. Wine
// refuses such a folder instead of naming the size it needs.
TEST(Volumes, ALongTemporaryFolderComesBackWhole) {
    std::string deep = "C:\\Users";
    while (deep.size() <= MAX_PATH) deep += "\\" + std::string(40, 'd');
    const ScopedVariable tmp(L"TMP", std::wstring(deep.begin(), deep.end()));
    if (GetTempPathW(0, nullptr) <= MAX_PATH + 1) {
        GTEST_SKIP() << "this system refuses a temporary folder past MAX_PATH";
    }
    EXPECT_EQ(platform::TempFolder(), deep + "\\");
}
#endif

TEST(Volumes, ALetterWithoutVolumeHasNoSpace) {
    bool found = false;
    for (char letter = 'Y'; letter > 'D' && !found; --letter) {
        const std::string root = std::string(1, letter) + ":\\";
        if (!IsFolder(root)) {
            EXPECT_EQ(QueryVolumeSpace(root), std::nullopt) << root;
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

// The stored formats are code page 936 whatever the system's own code page is.
TEST(CodePage, Cp936IsTheSameOnEveryWindows) {
    const std::string text = "请插入U盘！";
    const std::string cp936 = "\xC7\xEB\xB2\xE5\xC8\xEBU\xC5\xCC\xA3\xA1";
    EXPECT_EQ(Utf8ToCp936(text), cp936);
    EXPECT_EQ(Cp936ToUtf8(cp936), text);
    EXPECT_EQ(Cp936ToUtf8(""), "");
    // Nothing that code page 936 has not, and no byte read as a character it is not.
    EXPECT_EQ(Utf8ToCp936("Espa\xC3\xB1"
                          "a"),
              std::nullopt);
    EXPECT_EQ(Cp936ToUtf8("a\x81"), "a\xEF\xBF\xBD");
    // A lead byte without its trail is one byte of nothing; what follows reads as itself.
    EXPECT_EQ(Cp936ToUtf8("\x81 \xC7\xEB"), "\xEF\xBF\xBD 请");
    // A conversion that failed leaves nothing behind for the next one.
    EXPECT_EQ(Utf8ToCp936("请"), "\xC7\xEB");
}

TEST(CodePage, WhatReachesAnAnsiProgramDependsOnTheSystemsCodePage) {
    EXPECT_TRUE(FitsAnsiCodePage("D:\\img\\Win PE.iso"));
    switch (AnsiCodePage()) {
        case 936:
            EXPECT_TRUE(FitsAnsiCodePage("D:\\启动盘.iso"));
            EXPECT_FALSE(FitsAnsiCodePage("D:\\부팅.iso"));
            break;
        case 1252:
            EXPECT_FALSE(FitsAnsiCodePage("D:\\启动盘.iso"));
            EXPECT_TRUE(
                FitsAnsiCodePage("D:\\Espa\xC3\xB1"
                                 "a.iso"));
            // "ā" would go as the best fit "a": not the same name.
            EXPECT_FALSE(FitsAnsiCodePage("D:\\\xC4\x81.iso"));
            break;
        default:
            GTEST_SKIP() << "code page " << AnsiCodePage();
    }
}

uint32_t RunToEnd(const std::string& program, const std::string& line, const std::string& folder) {
    Process process = Process::StartHidden(program, line, folder);
    EXPECT_TRUE(process.IsStarted()) << process.ErrorText();
    Process::State state = Process::State::Running;
    for (int i = 0; i < 300 && state == Process::State::Running; ++i) state = process.WaitFor(100);
    EXPECT_EQ(state, Process::State::Ended);
    return process.ExitCode();
}

TEST(Processes, AMissingProgramDoesNotStart) {
    TempFolder tmp;
    Process process = Process::StartHidden(tmp / "none.exe", "none.exe x", tmp / "");
    EXPECT_FALSE(process.IsStarted());
    EXPECT_NE(process.ErrorCode(), 0);
    EXPECT_EQ(process.WaitFor(10), Process::State::Failed);
}

TEST(Processes, TheExitCodeIsRead) {
#ifdef _WIN32
    const std::string shell = "C:\\windows\\system32\\cmd.exe";
    const std::string line = "cmd.exe /c exit 3";
#else
    const std::string shell = FromHostPath("/bin/sh");
    const std::string line = "sh -c \"exit 3\"";
#endif
    TempFolder tmp;
    EXPECT_EQ(RunToEnd(shell, line, tmp / ""), 3u);
}

// The tool runs in the folder it is given, with that folder for its temporary files and
// nothing of this program's environment: no lookup of its reaches the user's folders.
TEST(Processes, RunInTheirFolderWithTheSystemsEnvironmentOnly) {
    TempFolder tmp;
#ifdef _WIN32
    SetEnvironmentVariableW(L"ZR_LEAK", L"user's");
    const std::string shell = WindowsFolder() + "system32\\cmd.exe";
    const std::string line = "cmd.exe /c \"cd > seen.txt & set >> seen.txt\"";
    const std::string folder = tmp / "", expectedPlace = folder.substr(0, folder.size() - 1);
    const std::string expectedPath = "PATH=" + WindowsFolder() + "System32;";
#else
    setenv("ZR_LEAK", "user's", 1);
    const std::string shell = FromHostPath("/bin/sh");
    const std::string line = "sh -c \"(pwd; env) > seen.txt\"";
    const std::string expectedPlace = *posix::ToHostPath(tmp / "");
    const std::string expectedPath = "PATH=/usr/bin:/bin";
#endif
    ASSERT_EQ(RunToEnd(shell, line, tmp / ""), 0u);
    const std::string seen = test::ReadFile(tmp / "seen.txt");
    EXPECT_TRUE(seen.starts_with(expectedPlace)) << seen;
    EXPECT_NE(seen.find("TEMP=" + expectedPlace), std::string::npos) << seen;
    EXPECT_NE(seen.find("TMP=" + expectedPlace), std::string::npos) << seen;
    EXPECT_NE(seen.find(expectedPath), std::string::npos) << seen;
    EXPECT_EQ(seen.find("ZR_LEAK"), std::string::npos) << seen;
}

}  // namespace
}  // namespace zr::platform
