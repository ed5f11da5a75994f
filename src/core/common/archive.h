// The framework's archive encoding, in which the settings archive and the serializable
// records are stored: integers as 32-bit little-endian values; a string as a length
// prefix and its bytes (CP932, no terminator). The prefix is one byte for a length below
// 255; else the byte 0xFF and a 16-bit length below 0xFFFE; else 0xFF, the 16-bit value
// 0xFFFF and a 32-bit length (and, for a length of 0xFFFFFFFF or more, that value followed
// by a 64-bit length).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

// Builds an archive in memory, front to back.
class CArchiveWriter {
 public:
  void WriteInt(std::int32_t value);
  void WriteString(const std::string& text);

  const std::string& Bytes() const { return m_bytes; }

 private:
  void WriteUnsigned(std::uint64_t value, int byteCount);

  std::string m_bytes;
};

// Reads an archive held in memory, front to back. Once a read runs past the end or meets
// a malformed length, that read and every later one fail and leave their target as it was,
// so a reader keeps what it read so far.
class CArchiveReader {
 public:
  explicit CArchiveReader(std::string bytes) : m_bytes(std::move(bytes)) {}

  bool ReadInt(std::int32_t& value);
  bool ReadString(std::string& text);
  // Passes over `count` bytes.
  bool Skip(std::size_t count);

  bool Failed() const { return m_failed; }
  bool AtEnd() const { return m_position == m_bytes.size(); }
  std::size_t Position() const { return m_position; }

 private:
  bool ReadUnsigned(std::uint64_t& value, int byteCount);
  bool Take(std::size_t count, const char*& data);

  std::string m_bytes;
  std::size_t m_position = 0;
  bool m_failed = false;
};
