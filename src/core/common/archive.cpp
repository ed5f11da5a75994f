#include "core/common/archive.h"

namespace {

constexpr std::uint64_t kByteLengthLimit = 0xFF;        // one-byte prefix below this
constexpr std::uint64_t kWordLengthLimit = 0xFFFE;      // 0xFFFE marks a wide string
constexpr std::uint64_t kDwordLengthLimit = 0xFFFFFFFF;  // 0xFFFFFFFF: a 64-bit length follows

}  // namespace

void CArchiveWriter::WriteUnsigned(std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) {
    m_bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

void CArchiveWriter::WriteInt(std::int32_t value) {
  WriteUnsigned(static_cast<std::uint32_t>(value), 4);
}

void CArchiveWriter::WriteString(const std::string& text) {
  std::uint64_t length = text.size();
  if (length < kByteLengthLimit) {
    WriteUnsigned(length, 1);
  } else if (length < kWordLengthLimit) {
    WriteUnsigned(0xFF, 1);
    WriteUnsigned(length, 2);
  } else if (length < kDwordLengthLimit) {
    WriteUnsigned(0xFF, 1);
    WriteUnsigned(0xFFFF, 2);
    WriteUnsigned(length, 4);
  } else {
    WriteUnsigned(0xFF, 1);
    WriteUnsigned(0xFFFF, 2);
    WriteUnsigned(0xFFFFFFFF, 4);
    WriteUnsigned(length, 8);
  }
  m_bytes += text;
}

bool CArchiveReader::Take(std::size_t count, const char*& data) {
  if (m_failed || count > m_bytes.size() - m_position) {
    m_failed = true;
    return false;
  }
  data = m_bytes.data() + m_position;
  m_position += count;
  return true;
}

bool CArchiveReader::ReadUnsigned(std::uint64_t& value, int byteCount) {
  const char* data = nullptr;
  if (!Take(static_cast<std::size_t>(byteCount), data)) return false;
  value = 0;
  for (int i = 0; i < byteCount; ++i) {
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  return true;
}

bool CArchiveReader::ReadInt(std::int32_t& value) {
  std::uint64_t raw = 0;
  if (!ReadUnsigned(raw, 4)) return false;
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
  return true;
}

bool CArchiveReader::ReadString(std::string& text) {
  // Nothing is consumed for good unless the whole string is there: on failure the
  // reader is spent anyway, and `text` stays as it was.
  std::uint64_t length = 0;
  if (!ReadUnsigned(length, 1)) return false;
  if (length == 0xFF) {
    if (!ReadUnsigned(length, 2)) return false;
    if (length == 0xFFFE) {
      // A wide (UTF-16) string: this program never writes one, and a settings archive
      // holding one is not ours.
      m_failed = true;
      return false;
    }
    if (length == 0xFFFF) {
      if (!ReadUnsigned(length, 4)) return false;
      if (length == 0xFFFFFFFF && !ReadUnsigned(length, 8)) return false;
    }
  }
  const char* data = nullptr;
  if (length > m_bytes.size() || !Take(static_cast<std::size_t>(length), data)) {
    m_failed = true;
    return false;
  }
  text.assign(data, static_cast<std::size_t>(length));
  return true;
}

bool CArchiveReader::Skip(std::size_t count) {
  const char* data = nullptr;
  return Take(count, data);
}
