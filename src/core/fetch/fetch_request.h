// How to fetch one page: the record every watch item begins with, that the check engine
// hands to the retriever and that request files exchanged with the companion programs
// hold. Stored as a text block between "\t//{{TOP\n" and "\tEND}}//\n".
#pragma once

#include <cstdio>
#include <string>

struct FetchRequest {
  std::string m_user;
  std::string m_password;
  std::string m_userAgent;
  std::string m_referer;
  std::string m_url;
  std::string m_method;
  std::string m_formData;
  std::string m_savePath;
  std::string m_cookie;
  std::string m_frame;
  int m_lastModified = -1;  // 0: the server gave none; -1: never fetched
  int m_load = 0;
  std::string m_name;
  std::string m_proxy;  // "host:port", or empty for a direct connection
  int m_bypassLocal = 1;
  int m_useCache = 1;
  int m_thre = 0;
  int m_allowRelocation = 0;
  std::string m_extraHeaders;

  void SetDefaults();

  // The position of the line's key in the key string, or -1 when the line holds no key.
  int ParseLine(const char* line);
  // 1 when a complete block was read from the text-mode file, 0 otherwise.
  int Read(FILE* file);
  // 0 on success, 1 on a write failure.
  int Write(FILE* file) const;
  // Writes one block when `mode` begins with 'w', else reads one; 1 on success.
  int TransferFile(const std::string& path, const char* mode);

  // "Authorization: Basic ..." with the user and password in UTF-8, ending in CR LF.
  std::string BasicAuthorizationHeader() const;
  // The lowest companion helper version (150 = 1.50) that can show the request faithfully.
  int RequiredCompanionVersion() const;
};
