#include "base/file_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace brelvano {

std::string NotRegularFileReason(unsigned mode) {
  if (S_ISDIR(mode)) return "is a folder";
  if (S_ISFIFO(mode)) return "is a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device";
  if (S_ISSOCK(mode)) return "is a socket";
  return "is not a regular file";
}

FILE* OpenRegularFile(const std::string& path, std::string* reason) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (reason) *reason = std::strerror(errno);
    return nullptr;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    const int saved = errno;
    if (reason) *reason = std::strerror(saved);
    close(fd);
    errno = saved;
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    if (reason) *reason = NotRegularFileReason(info.st_mode);
    close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  // Reads of a regular file never wait anyway; clear the flag for plain stdio.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* file = fdopen(fd, "rb");
  if (!file) {
    if (reason) *reason = std::strerror(errno);
    close(fd);
  }
  return file;
}

bool FileIsReadable(const std::string& path) {
  FILE* file = OpenRegularFile(path);
  if (!file) return false;
  std::fclose(file);
  return true;
}

bool PathExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

std::optional<int64_t> ModificationTime(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

bool CopyFileContents(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) {
    close(in);
    return false;
  }
  std::vector<char> chunk(64 * 1024);
  bool ok = true;
  for (;;) {
    const ssize_t got = read(in, chunk.data(), chunk.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, chunk.data() + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      done += put;
    }
    if (!ok) break;
  }
  close(in);
  if (close(out) != 0) ok = false;
  if (!ok) unlink(to.c_str());
  return ok;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

std::string LastPathComponent(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Length of the UTF-8 sequence that starts at text[i] and its code point;
// 0 when the bytes there are not a well-formed sequence.
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t* codePoint) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t lead = byte(i);
  size_t length;
  uint32_t value;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past the Unicode range.
  if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
      (value >= 0xD800 && value <= 0xDFFF))
    return 0;
  *codePoint = value;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  uint32_t codePoint;
  for (size_t i = 0; i < text.size();) {
    const size_t length = DecodeUtf8(text, i, &codePoint);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

bool HasControlCharacters(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

std::string_view CutAtCharacterBoundary(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // Step back over continuation bytes to the start of the cut sequence.
  while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string PercentEscapeLatin1(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // Left as they are: letters, digits and the URL punctuation that cannot
  // change where a relative reference points ("%", "#" and "?" would).
  const auto isLegal = [](uint32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return c < 0x80 && c != 0 && std::strchr("-_.!~*'();/:@&=+$,", static_cast<int>(c)) != nullptr;
  };
  std::string latin1;
  bool representable = true;
  uint32_t codePoint;
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = DecodeUtf8(utf8, i, &codePoint);
    if (length == 0 || codePoint > 0xFF) {
      representable = false;
      break;
    }
    latin1 += static_cast<char>(codePoint);
    i += length;
  }
  const std::string_view bytes = representable ? std::string_view(latin1) : utf8;
  std::string escaped;
  for (char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    if (isLegal(byte)) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

}  // namespace brelvano
