// Crash-safe file replacement with a temporary file, fsync and rename.
#include "platform/atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zplatform {

namespace {

// Owns a file descriptor.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    // Closes now and reports whether the close succeeded (NFS reports write errors here).
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, unsigned mode) {
    std::error_code ec;
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    std::filesystem::create_directories(dir, ec);

    // The lock file is never renamed, so every writer locks the same inode; the temporary name
    // is then free to be fixed (no litter after a crash: the next write truncates it).
    Fd lock(::open((path.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, mode));
    if (!lock.ok()) return false;
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    const std::string tmp = path.string() + ".tmp";
    Fd out(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (!out.ok()) return false;
    // A temporary left by a crash keeps the mode it was made with: narrow it before writing.
    struct stat st {};
    const mode_t allowed = static_cast<mode_t>(mode) & 07777;
    if (::fstat(out.get(), &st) != 0 ||
        ((st.st_mode & 07777 & ~allowed) != 0 && ::fchmod(out.get(), st.st_mode & allowed) != 0)) {
        ::unlink(tmp.c_str());
        return false;
    }
    if (!writeAll(out.get(), bytes) || ::fsync(out.get()) != 0 || !out.close()) {
        ::unlink(tmp.c_str());
        return false;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Makes the rename itself durable.
    Fd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.ok()) ::fsync(d.get());
    return true;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(buffer).str();
}

} // namespace zplatform
