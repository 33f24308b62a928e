#include "engine/page_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace qm {
namespace {

std::atomic<unsigned> gPageCounter{0};

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

long long regularFileSize(const Text& path) {
    struct stat st {};
    if (path.empty() || ::stat(native_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<long long>(st.st_size);
}

std::optional<ByteArray> readRegularFile(const Text& path) {
    const long long size = regularFileSize(path);
    if (size < 0) return std::nullopt;
    ByteArray bytes = read_file(path);
    // read_file gives nothing for a failed read as for an empty file.
    if (bytes.bytes.empty() && size > 0) return std::nullopt;
    return bytes;
}

bool writePageFile(const Text& path, const ByteArray& data) {
    const std::string target = native_path(path);
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty()) return false;
    const std::string prefix = target.substr(0, target.size() - name.size());
    // A hidden name in the same folder keeps the rename within one file system;
    // O_EXCL never reuses another writer's temporary file.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = prefix + "." + name + ".tmp" + std::to_string(::getpid()) + "." +
               std::to_string(gPageCounter.fetch_add(1));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    const bool written = writeAll(fd, data.bytes);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool syncPages(const Text& folder) {
    const int fd = ::open(native_path(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::syncfs(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace qm
