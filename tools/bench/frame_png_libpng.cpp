// The frame as a PNG file through libpng's simplified writer. The picture is encoded in
// memory first and written with plain system calls, so that every failure of the writing
// is seen with its cause, and libpng never removes a file (its file writer removes the
// target when a write fails, whatever the target was).
#include "frame_png.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// 0 when every byte went out, otherwise the errno of the failure.
int WriteAll(int fd, const std::vector<uint8_t> &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return EIO;
    done += static_cast<size_t>(written);
  }
  return 0;
}

// A device or a pipe is written as it is: replacing it would remove the node itself.
int WriteInPlace(const std::string &file, const std::vector<uint8_t> &bytes) {
  // Opening a pipe that nobody reads would otherwise wait for ever.
  const int fd = open(file.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = 0;
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno;
  if (error == 0) error = WriteAll(fd, bytes);
  if (close(fd) != 0 && error == 0) error = errno;
  return error;
}

// A new file in the target's folder that nobody else holds: the name carries the process
// number and a count, and O_EXCL refuses a name that is taken.
int CreateBeside(const std::string &target, std::string *name, int *fd) {
  const size_t slash = target.rfind('/');
  const std::string folder = target.substr(0, slash + 1);
  // Short enough that the name stays within a folder entry's limit.
  const std::string base = target.substr(slash + 1, 64);
  for (int attempt = 0; attempt < 100; attempt++) {
    *name = folder + "." + base + "." + std::to_string(getpid()) + "." + std::to_string(attempt) + ".tmp";
    *fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (*fd >= 0) return 0;
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// Writes the bytes into a new file beside the target and renames it over the target once
// it is whole; on failure removes only the new file. A replaced file keeps its mode.
int ReplaceWhole(const std::string &target, const struct stat *old, const std::vector<uint8_t> &bytes) {
  std::string temporary;
  int fd = -1;
  int error = CreateBeside(target, &temporary, &fd);
  if (error != 0) return error;
  if (old != nullptr && fchmod(fd, old->st_mode & 07777) != 0) error = errno;
  if (error == 0) error = WriteAll(fd, bytes);
  // Some file systems report a full disk only when the data reaches it.
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) unlink(temporary.c_str());
  return error;
}

int WriteFileBytes(const std::string &file, const std::vector<uint8_t> &bytes) {
  struct stat old;
  if (stat(file.c_str(), &old) != 0) return errno == ENOENT ? ReplaceWhole(file, nullptr, bytes) : errno;
  if (!S_ISREG(old.st_mode)) return WriteInPlace(file, bytes);
  // Renaming needs only the folder's permission, which would get round a file's own
  // protection, for root as for anyone.
  if ((old.st_mode & 0222) == 0) return EACCES;
  if (access(file.c_str(), W_OK) != 0) return errno;
  // Through a link, the file it names is replaced and the link stays.
  char *real = realpath(file.c_str(), nullptr);
  if (real == nullptr) return errno;
  const std::string target = real;
  std::free(real);
  return ReplaceWhole(target, &old, bytes);
}

} // namespace

bool WriteFramePng(const std::string &file, const uint32_t *pixels, int width, int height, std::string *reason) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> opaque(pixels, pixels + static_cast<size_t>(width) * height);
  for (uint32_t &pixel : opaque) pixel |= 0xFF000000u;
  png_alloc_size_t size = 0;
  std::vector<uint8_t> bytes;
  if (png_image_write_to_memory(&image, nullptr, &size, 0, opaque.data(), 0, nullptr)) {
    bytes.resize(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, opaque.data(), 0, nullptr)) size = 0;
  }
  if (size == 0) {
    *reason = std::string("cannot encode the picture: ") + image.message;
    return false;
  }
  bytes.resize(size);
  const int error = WriteFileBytes(file, bytes);
  if (error != 0) *reason = std::strerror(error);
  return error == 0;
}
