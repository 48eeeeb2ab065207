#pragma once

// The one seam to the operating system. Paths are Windows paths ("X:\folder\file") in UTF-8
// on every host: the Win32 build hands them to the wide API, the POSIX build maps each drive
// letter to a folder (Z: is "/" unless mapped otherwise) and resolves names without regard
// to case, as Windows does.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zr::platform {

class File;

// Windows file attribute bits.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;

// A file exists at the path; a folder does not count.
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
// The path itself is a symbolic link or junction (to a file or a folder).
bool IsLink(const std::string& path);
// Size from the file's metadata, so a file that another program holds open is sized too.
std::optional<int64_t> FileLength(const std::string& path);

// Creates the last level only; false when it could not be made (or already exists).
bool MakeFolder(const std::string& path);
// Creates every missing level; failures show when the folder is used.
void MakeFolders(const std::string& path);

std::optional<uint32_t> ReadAttributes(const std::string& path);
bool WriteAttributes(const std::string& path, uint32_t attributes);

struct VolumeSpace {
    int64_t freeToCaller = 0;  // bytes the calling user may still write
    int64_t total = 0;         // size of the whole volume
};
// root is a volume root such as "E:\".
std::optional<VolumeSpace> QueryVolumeSpace(const std::string& root);

// The name of the volume that a path lies on, the same for every way there (another drive
// letter, a folder it is mounted on); nothing when the path leads to no volume.
std::optional<std::string> VolumeOf(const std::string& path);

// The user's temporary folder, with its trailing backslash.
std::string TempFolder();

// The Windows folder, with its trailing backslash.
std::string WindowsFolder();

// The numbers of the physical disks that the volume holding an open file lies on; nothing when
// the system cannot say.
std::optional<std::vector<int64_t>> DisksOf(const File& file);

struct FolderEntry {
    std::string name;
    uint32_t attributes = 0;
    bool isLink = false;  // a symbolic link or junction: never followed when deleting
};
// The entries of a folder, without "." and "..".
std::vector<FolderEntry> ListFolder(const std::string& folder);
bool RemoveFile(const std::string& path);
bool RemoveFolder(const std::string& path);  // an empty folder, or a folder link itself
// Puts source in place of target in one step (target may exist).
bool MoveOver(const std::string& source, const std::string& target);

// The system's own text for the last failed call of this thread.
int LastErrorCode();
std::string ErrorText(int code);

// The system's ANSI code page (936 on a Chinese Windows; the POSIX build uses AnsiCodePage()),
// for texts the system itself compares that way.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// Code page 936, which the stored text formats use on every Windows whatever its own code page.
// Bytes that are not code page 936 text read as U+FFFD, never as a character they are not; a
// character that code page 936 has not gives nothing, never a best fit or a "?".
std::string Cp936ToUtf8(std::string_view cp936);
std::optional<std::string> Utf8ToCp936(std::string_view utf8);

// The code page that programs reading an ANSI command line get their arguments in (936 on a
// Chinese Windows, 1252 on an English one, 65001 with "UTF-8 for worldwide language support").
int AnsiCodePage();
// Whether the text reaches such a program as it is.
bool FitsAnsiCodePage(std::string_view utf8);
// The short (8.3) form of an existing file's or folder's path; nothing when its volume keeps
// none.
std::optional<std::string> ShortPath(const std::string& path);

// The decimal separator of the user's number settings (UTF-8; "." unless the user chose another).
std::string DecimalSeparator();

// A path the way the host's own programs write it, turned into the drive form used here
// (identity on Windows apart from making it absolute; "/a/b" -> "Z:\a\b" on POSIX).
std::string FromHostPath(const std::string& hostPath);
// The folder of the running program, with its trailing backslash.
std::string ProgramFolder();

class File {
  public:
    enum class Access {
        ReadShared,       // read; others may read and write
        ReadDenyWrite,    // read; others may read it (and run it), but not change, rename or
                          // delete it meanwhile
        ReadExclusive,    // read; nobody else may open it meanwhile
        CreateExclusive,  // create or truncate for writing; nobody else may open it meanwhile
        // Open or create for reading and writing, others may read. Never through a link, nor
        // a file that has other names: the program runs elevated, and a file in a folder its
        // user may write could otherwise lead its writes to any file of the system.
        UpdateOwnFile,
        // Create for writing a file that is not there yet; refused when anything is there, a
        // link included, so that nothing is ever written through one. Nobody else may open it.
        CreateNew
    };

    File() = default;
    File(File&& other) noexcept
        : handle_(std::exchange(other.handle_, kInvalid)),
          path_(std::move(other.path_)),
          error_(std::move(other.error_)) {}
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, kInvalid);
            path_ = std::move(other.path_);
            error_ = std::move(other.error_);
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { Close(); }

    // Check IsOpen(); on failure ErrorText() holds the system's text for it.
    static File Open(const std::string& path, Access access);

    bool IsOpen() const { return handle_ != kInvalid; }
    const std::string& ErrorText() const { return error_; }
    intptr_t NativeHandle() const { return handle_; }

    // Where the open file is, as the file system names it now (links resolved); empty when the
    // system cannot say. A program given this path reaches this very file while it is held.
    std::string FinalPath() const;

    // Both throw zr::Error with the system's text on an I/O failure; Read returns 0 at the end.
    size_t Read(void* buffer, size_t count);
    size_t Write(const void* data, size_t count);
    void Seek(int64_t position);
    int64_t Size() const;
    // Cuts the file off at the current position.
    void Truncate();
    void Close();

  private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid;
    std::string path_;
    std::string error_;
};

// A hidden child process that the caller polls.
class Process {
  public:
    enum class State { Running, Ended, Failed };

    Process() = default;
    Process(Process&& other) noexcept
        : handle_(std::exchange(other.handle_, kInvalid)),
          ended_(other.ended_),
          exitCode_(other.exitCode_),
          errorCode_(other.errorCode_),
          error_(std::move(other.error_)) {}
    Process& operator=(Process&& other) noexcept {
        if (this != &other) {
            Release();
            handle_ = std::exchange(other.handle_, kInvalid);
            ended_ = other.ended_;
            exitCode_ = other.exitCode_;
            errorCode_ = other.errorCode_;
            error_ = std::move(other.error_);
        }
        return *this;
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() { Release(); }

    // application is the program's full path; it is never looked up on the search path.
    // commandLine is passed to the program as it stands (Windows quoting rules). The program
    // runs in folder, which is also its TEMP and TMP, with nothing else of this program's
    // environment but the system's own folders: its lookups of DLLs and files reach no folder
    // that the user's other programs may write.
    static Process StartHidden(const std::string& application, const std::string& commandLine,
                               const std::string& folder);

    bool IsStarted() const { return handle_ != kInvalid; }
    const std::string& ErrorText() const { return error_; }
    int ErrorCode() const { return errorCode_; }

    State WaitFor(int milliseconds);
    // Valid once WaitFor has answered Ended.
    uint32_t ExitCode() const { return exitCode_; }

  private:
    // Lets go of the process; a child still running is left to run.
    void Release();

    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid;
    bool ended_ = false;
    uint32_t exitCode_ = 0;
    int errorCode_ = 0;
    std::string error_;
};

}  // namespace zr::platform
