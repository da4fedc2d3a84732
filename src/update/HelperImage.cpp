#include "update/HelperImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "update/UpdateError.h"
#include "update/UpdateFiles.h"

extern "C" const unsigned char corvane_update_helper_image[];
extern "C" const unsigned char corvane_update_helper_image_end[];

namespace corvane::update {

std::span<const unsigned char> HelperImage() {
  return {corvane_update_helper_image, static_cast<size_t>(corvane_update_helper_image_end - corvane_update_helper_image)};
}

std::string WriteHelperImage() {
  std::string path = TempFolder() + "/~JVXXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) throw EUpdateFileError("Cannot create the update helper in " + TempFolder() + ": " + std::strerror(errno));
  const auto image = HelperImage();
  bool ok = true;
  for (size_t done = 0; ok && done < image.size();) {
    const ssize_t n = ::write(fd, image.data() + done, image.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  const int error = errno;
  ok = ok && ::fchmod(fd, 0700) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlink(path.c_str());
    throw EUpdateFileError("Cannot write the update helper " + path + ": " + std::strerror(error));
  }
  return path;
}

}  // namespace corvane::update
