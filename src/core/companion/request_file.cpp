#include "core/companion/request_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "core/common/path_utils.h"
#include "platform/file_system.h"
#include "platform/text_mode_stream.h"

namespace {

// -1 when the file exists already; -2 on any other failure.
int CreateExclusive(const std::string& path) {
  int descriptor = open(platform::NativePath(path).c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (descriptor >= 0) return descriptor;
  return errno == EEXIST ? -1 : -2;
}

bool WriteBlock(int descriptor, const FetchRequest& request) {
  FILE* raw = fdopen(descriptor, "wb");
  if (!raw) {
    close(descriptor);
    return false;
  }
  FILE* text = platform::WrapInTextMode(raw, "w");
  if (!text) return false;  // the raw stream is closed already
  bool written = request.Write(text) == 0 && fflush(text) == 0 && !ferror(text);
  return fclose(text) == 0 && written;
}

}  // namespace

std::optional<std::string> WriteNewRequestFile(const std::string& basePath,
                                               const FetchRequest& request) {
  std::string path = UniqueFileName(basePath);
  int descriptor = CreateExclusive(path);
  // A file that exists but cannot be read looks free to UniqueFileName: number on.
  for (long n = 1; descriptor == -1; ++n) {
    path = basePath + "_" + std::to_string(n);
    if (!platform::FileExists(path)) descriptor = CreateExclusive(path);
  }
  if (descriptor < 0) return std::nullopt;
  if (!WriteBlock(descriptor, request)) {
    platform::RemoveFile(path);
    return std::nullopt;
  }
  return path;
}

std::optional<FetchRequest> TakeRequestFile(const std::string& path, bool* opened) {
  if (opened) *opened = false;
  FILE* file = platform::OpenFile(path, "r");
  if (!file) return std::nullopt;
  if (opened) *opened = true;
  FetchRequest request;
  int complete = request.Read(file);
  fclose(file);
  platform::RemoveFile(path);
  if (complete != 1) return std::nullopt;
  return request;
}
