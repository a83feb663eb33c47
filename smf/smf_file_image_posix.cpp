#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "smf/smf_file_image.h"

namespace murvane {

namespace {

class PosixFileReader final : public FileReader {
 public:
  ~PosixFileReader() override { close(); }

  // Only regular files: a directory opens on POSIX, but not on Windows.
  bool open(const std::filesystem::path& path) override {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat status{};
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
      close();
      return false;
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
  }

  bool size(std::uint64_t& bytes) override {
    struct stat status{};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0 || status.st_size < 0) return false;
    bytes = static_cast<std::uint64_t>(status.st_size);
    return true;
  }

  // read() may return less than asked for on large requests; carry on until
  // the request is met or the file ends.
  bool read(std::uint8_t* buffer, std::uint32_t bytes, std::uint32_t& delivered) override {
    delivered = 0;
    while (delivered < bytes) {
      const ssize_t got = ::read(fd_, buffer + delivered, bytes - delivered);
      if (got < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (got == 0) break;
      delivered += static_cast<std::uint32_t>(got);
    }
    return true;
  }

  void close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<FileReader> makePlatformFileReader() { return std::make_unique<PosixFileReader>(); }

}  // namespace murvane
