#include "platform/text_mode_stream.h"

#include <cstring>
#include <sys/types.h>

namespace platform {

namespace {

ssize_t ReadText(void* cookie, char* buffer, size_t size) {
  FILE* raw = static_cast<FILE*>(cookie);
  size_t count = 0;
  while (count < size) {
    int byte = getc_unlocked(raw);
    if (byte == EOF) break;
    if (byte == '\r') {
      int next = getc_unlocked(raw);
      if (next == '\n') {
        byte = '\n';
      } else if (next != EOF) {
        ungetc(next, raw);
      }
    }
    buffer[count++] = static_cast<char>(byte);
  }
  if (count == 0 && ferror(raw)) return -1;
  return static_cast<ssize_t>(count);
}

ssize_t WriteText(void* cookie, const char* buffer, size_t size) {
  FILE* raw = static_cast<FILE*>(cookie);
  size_t done = 0;
  while (done < size) {
    const char* lineFeed = static_cast<const char*>(std::memchr(buffer + done, '\n', size - done));
    size_t runEnd = lineFeed ? static_cast<size_t>(lineFeed - buffer) : size;
    if (fwrite(buffer + done, 1, runEnd - done, raw) != runEnd - done) return done ? done : -1;
    done = runEnd;
    if (lineFeed) {
      if (fwrite("\r\n", 1, 2, raw) != 2) return done ? done : -1;
      ++done;
    }
  }
  return static_cast<ssize_t>(done);
}

int SeekText(void* cookie, off64_t* position, int whence) {
  FILE* raw = static_cast<FILE*>(cookie);
  if (fseeko(raw, *position, whence) != 0) return -1;
  *position = ftello(raw);
  return 0;
}

int CloseText(void* cookie) {
  return fclose(static_cast<FILE*>(cookie)) == 0 ? 0 : -1;
}

}  // namespace

FILE* WrapInTextMode(FILE* raw, const char* mode) {
  if (!raw) return nullptr;
  cookie_io_functions_t functions{ReadText, WriteText, SeekText, CloseText};
  FILE* text = fopencookie(raw, mode, functions);
  if (!text) fclose(raw);
  return text;
}

}  // namespace platform
