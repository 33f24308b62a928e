// TextKit: paths, files and folders on the POSIX file system. Paths arrive as GBK
// texts and are converted to UTF-8 (native_path) right before each system call.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>

#include "foundation/gbk_codec.h"
#include "foundation/text_kit.h"

namespace qm {
namespace {

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd >= 0 && ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool has_wildcard(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

// Only "*" and "?" are wildcards in our patterns; "[" and "\" are taken literally.
std::string literal_brackets(const std::string& pattern) {
    std::string out;
    out.reserve(pattern.size());
    for (char c : pattern) {
        if (c == '[' || c == ']' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

bool matches(const std::string& pattern, const char* name) {
    return fnmatch(pattern.c_str(), name, 0) == 0;
}

bool is_dot_entry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Splits a native path into its folder ("." when none) and last component.
void split_last(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.rfind('/');
    // Built with assign(count, char): GCC 12 at -O3 warns falsely (-Wrestrict) when a
    // string literal is assigned here.
    if (slash == std::string::npos) {
        folder.assign(1, '.');
        name = path;
    } else {
        if (slash == 0) {
            folder.assign(1, '/');
        } else {
            folder = path.substr(0, slash);
        }
        name = path.substr(slash + 1);
    }
}

// Calls visit(dir fd, entry name) for each entry of folder whose name matches the
// wildcard pattern, "." and ".." excluded, in the order the folder lists them, until
// visit returns false.
template <typename Visit>
void for_each_match(const std::string& folder, const std::string& pattern, Visit visit) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::string glob = literal_brackets(pattern);
    while (const dirent* entry = readdir(dir)) {
        if (is_dot_entry(entry->d_name) || !matches(glob, entry->d_name)) continue;
        if (!visit(dirfd(dir), entry->d_name)) break;
    }
    closedir(dir);
}

bool write_all(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Empties the folder open as dirFd, depth first, never following symbolic links:
// a link is removed itself. Returns false when something could not be removed, but
// carries on with the rest.
bool empty_folder(int dirFd) {
    DIR* dir = fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (is_dot_entry(name)) continue;
        struct stat st {};
        if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int sub =
                openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0 || !empty_folder(sub)) ok = false;
            if (unlinkat(dirfd(dir), name, AT_REMOVEDIR) != 0) ok = false;
        } else if (unlinkat(dirfd(dir), name, 0) != 0) {
            ok = false;
        }
    }
    closedir(dir);
    return ok;
}

std::atomic<unsigned> gTempCounter{0};

}  // namespace

std::string native_path(const Text& path) {
    return gbk_to_utf8(path);
}

Text text_path(const std::string& native) {
    return utf8_to_gbk(native);
}

Text join_path(const Text& a, const Text& b) {
    if (a.empty()) return b;
    if (a.back() == '/') return a + b;
    Text out;
    out.reserve(a.size() + 1 + b.size());
    out.append(a).append(kPathSeparator).append(b);
    return out;
}

Text run_directory() {
    std::string dir;
    if (const char* forced = std::getenv("QUILLMOOR_RUN_DIR"); forced && *forced) {
        dir = forced;
    } else {
        char buf[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return {};
        dir.assign(buf, static_cast<std::size_t>(n));
        const std::size_t slash = dir.rfind('/');
        if (slash == std::string::npos) return Text(1, '.');
        dir.resize(slash);
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir.empty()) return Text(1, '/');
    return text_path(dir);
}

bool make_directory(const Text& path) {
    if (path.empty()) return false;
    return mkdir(native_path(path).c_str(), 0777) == 0;
}

bool remove_directory(const Text& path) {
    std::size_t skip = 0;
    while (skip < path.size() && path[skip] == ' ') ++skip;
    std::string native = native_path(path.substr(skip));
    // A trailing "/" would make the system follow a symbolic link: strip it.
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    if (native.empty() || native == "/") return false;
    // "." and ".." cannot be removed by name; emptying them first would only lose data.
    std::string folder;
    std::string name;
    split_last(native, folder, name);
    if (name == "." || name == "..") return false;
    struct stat st {};
    if (lstat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    char resolved[PATH_MAX];
    if (realpath(native.c_str(), resolved) != nullptr && std::string(resolved) == "/") {
        return false;
    }
    const int fd = open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    empty_folder(fd);
    return rmdir(native.c_str()) == 0;
}

bool copy_file(const Text& source, const Text& target) {
    if (source.empty() || target.empty()) return false;
    std::error_code ec;
    return std::filesystem::copy_file(native_path(source), native_path(target),
                                      std::filesystem::copy_options::overwrite_existing, ec) &&
           !ec;
}

bool delete_file(const Text& path) {
    if (path.empty()) return false;
    return unlink(native_path(path).c_str()) == 0;
}

namespace {

// The status of the first entry matching path (wildcards in the last component),
// following a symbolic link when its target exists.
bool first_match(const Text& path, struct stat& st) {
    if (path.empty()) return false;
    const std::string native = native_path(path);
    std::string folder;
    std::string name;
    split_last(native, folder, name);
    if (!has_wildcard(name)) return stat(native.c_str(), &st) == 0;
    bool found = false;
    for_each_match(folder, name, [&](int dirFd, const char* entry) {
        found = fstatat(dirFd, entry, &st, 0) == 0 ||
                fstatat(dirFd, entry, &st, AT_SYMLINK_NOFOLLOW) == 0;
        return !found;
    });
    return found;
}

}  // namespace

bool file_exists(const Text& path) {
    struct stat st {};
    return first_match(path, st);
}

int file_size(const Text& path) {
    struct stat st {};
    if (!first_match(path, st)) return -1;
    if (S_ISDIR(st.st_mode)) return 0;  // folders have no size of their own
    // The low 32 bits, as the size was always reported.
    return static_cast<int>(static_cast<std::uint32_t>(st.st_size));
}

ByteArray read_file(const Text& path) {
    if (path.empty()) return {};
    // Only regular files are read: opening a named pipe would wait for a writer for
    // ever, and a device such as /dev/zero never ends. O_NONBLOCK makes the open of a
    // pipe return at once; it changes nothing for a regular file.
    Fd fd(open(native_path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return {};
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    std::string data;
    if (st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {};
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    return ByteArray(std::move(data));
}

bool write_file(const Text& path, std::initializer_list<ByteArray> parts) {
    if (path.empty()) return false;
    Fd fd(open(native_path(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) return false;
    for (const ByteArray& part : parts) {
        if (!write_all(fd.get(), part.bytes)) return false;
    }
    return fd.close();
}

bool write_file(const Text& path, const ByteArray& data) {
    return write_file(path, {data});
}

bool write_file_whole(const Text& path, const ByteArray& data) {
    if (path.empty()) return false;
    const std::string target = native_path(path);
    std::string folder;
    std::string name;
    split_last(target, folder, name);
    if (name.empty()) return false;
    // A hidden name beside the target, so the rename stays within one file system.
    // O_EXCL with mode 0666 gives the usual permissions (after umask) and never
    // reuses another writer's temporary file.
    const std::string prefix = target.substr(0, target.size() - name.size());
    std::string temp;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        temp = prefix + "." + name + ".tmp" + std::to_string(getpid()) + "." +
               std::to_string(gTempCounter.fetch_add(1));
        raw = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) return false;
    }
    if (raw < 0) return false;
    Fd fd(raw);
    const bool written = write_all(fd.get(), data.bytes) && fsync(fd.get()) == 0;
    if (!fd.close() || !written || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

TextList list_files(const Text& folder, const Text& pattern, bool with_folder) {
    TextList files;
    if (folder.empty()) return files;
    const Text base = folder.back() == '/' ? folder : folder + "/";
    for_each_match(native_path(folder), native_path(pattern), [&](int dirFd, const char* entry) {
        struct stat st {};
        // Folders (and links to folders) are skipped; a dangling link counts as a file.
        if (fstatat(dirFd, entry, &st, 0) == 0 && S_ISDIR(st.st_mode)) return true;
        const Text name = text_path(entry);
        files.push_back(with_folder ? base + name : name);
        process_events();
        return true;
    });
    return files;
}

}  // namespace qm
