// A fresh folder for one test, removed with everything in it when the object goes.
#pragma once

#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path (CP932; ASCII apart from what callers add), without a trailing '/'.
  const std::string& Path() const { return m_path; }
  // Path() + "/" + name.
  std::string File(const std::string& name) const { return m_path + "/" + name; }

  // Whole-file helpers in binary mode, for checking the exact bytes on disk.
  void WriteBytes(const std::string& name, const std::string& bytes) const;
  std::string ReadBytes(const std::string& name) const;

 private:
  std::string m_path;
};
