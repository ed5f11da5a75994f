#include "core/app/image_test_page.h"

std::string EscapeHtmlAttribute(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string ImageTestPage(const std::string& address) {
  return "<html><body><img src=\"" + EscapeHtmlAttribute(address) + "\"></body></html>";
}
