#include "core/text/css_xpath.h"

#include <cctype>
#include <optional>

namespace text {

namespace {

bool IsNameChar(unsigned char ch) {
  return std::isalnum(ch) || ch == '-' || ch == '_' || ch >= 0x80;
}

std::string Lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

// The a and b of an+b; nothing when the argument is not of that form.
struct Step {
  int a = 0;
  int b = 0;
};

std::optional<int> SignedNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::size_t i = (text[0] == '+' || text[0] == '-') ? 1 : 0;
  if (i == text.size() || text.size() - i > 6) return std::nullopt;
  int value = 0;
  for (std::size_t k = i; k < text.size(); ++k) {
    if (!std::isdigit(static_cast<unsigned char>(text[k]))) return std::nullopt;
    value = value * 10 + (text[k] - '0');
  }
  return text[0] == '-' ? -value : value;
}

std::optional<Step> ParseStep(std::string argument) {
  std::string compact;
  for (char ch : Lower(argument)) {
    if (!std::isspace(static_cast<unsigned char>(ch))) compact += ch;
  }
  if (compact == "odd") return Step{2, 1};
  if (compact == "even") return Step{2, 0};
  std::size_t n = compact.find('n');
  if (n == std::string::npos) {
    std::optional<int> b = SignedNumber(compact);
    return b ? std::optional<Step>(Step{0, *b}) : std::nullopt;
  }
  std::string aText = compact.substr(0, n);
  std::optional<int> a = aText.empty() || aText == "+" ? std::optional<int>(1)
                         : aText == "-"               ? std::optional<int>(-1)
                                                      : SignedNumber(aText);
  std::string bText = compact.substr(n + 1);
  std::optional<int> b = bText.empty() ? std::optional<int>(0) : SignedNumber(bText);
  if (!a || !b || (!bText.empty() && bText[0] != '+' && bText[0] != '-')) return std::nullopt;
  return Step{*a, *b};
}

std::string StepCondition(const Step& step) {
  const std::string position = "(count(preceding-sibling::*)+1)";
  if (step.a == 0) return "[" + position + "=" + std::to_string(step.b) + "]";
  if (step.a > 0) {
    return "[" + position + ">=" + std::to_string(step.b) + " and (" + position + "-" +
           std::to_string(step.b) + ") mod " + std::to_string(step.a) + "=0]";
  }
  return "[" + position + "<=" + std::to_string(step.b) + " and (" + std::to_string(step.b) +
         "-" + position + ") mod " + std::to_string(-step.a) + "=0]";
}

class CTranslator {
 public:
  explicit CTranslator(std::string_view css) : m_css(css) {}

  CssTranslation Run() {
    CssTranslation result;
    std::string xpath;
    do {
      SkipBlanks();
      std::string path = Complex();
      if (!m_error.empty()) break;
      xpath += (xpath.empty() ? "" : " | ") + path;
    } while (Take(','));
    if (m_error.empty() && m_at < m_css.size()) Fail("読めない文字があります");
    if (!m_error.empty()) {
      result.error = m_error;
    } else {
      result.xpath = xpath;
    }
    return result;
  }

 private:
  // descendant-or-self from the document for the first compound, then / or // per combinator.
  std::string Complex() {
    std::string path = "//" + Compound();
    while (m_error.empty()) {
      bool blank = SkipBlanks();
      if (At('~') || At('+')) return Fail("この結合子は使えません");
      if (At('>')) {
        ++m_at;
        SkipBlanks();
        path += "/" + Compound();
      } else if (blank && m_at < m_css.size() && !At(',')) {
        path += "//" + Compound();
      } else {
        break;
      }
    }
    return path;
  }

  std::string Compound() {
    std::size_t start = m_at;
    std::string type = "*";
    if (Take('*')) {
      type = "*";
    } else if (m_at < m_css.size() && IsNameChar(m_css[m_at])) {
      type = Lower(Name());
    }
    std::string conditions;
    while (m_error.empty() && m_at < m_css.size()) {
      if (Take('.')) {
        std::string name = Name();
        if (name.empty()) return Fail("クラス名がありません");
        conditions += "[contains(concat(' ',normalize-space(@class),' ')," +
                      XPathLiteral(" " + name + " ") + ")]";
      } else if (Take('#')) {
        std::string name = Name();
        if (name.empty()) return Fail("id がありません");
        conditions += "[@id=" + XPathLiteral(name) + "]";
      } else if (At('[')) {
        conditions += Attribute();
      } else if (At(':')) {
        conditions += PseudoClass();
      } else {
        break;
      }
    }
    if (m_error.empty() && m_at == start) return Fail("セレクタがありません");
    return type + conditions;
  }

  std::string Attribute() {
    ++m_at;  // '['
    SkipBlanks();
    std::string name = Lower(Name());
    if (name.empty()) return Fail("属性名がありません");
    SkipBlanks();
    if (Take(']')) return "[@" + name + "]";
    std::string match;
    if (Take('=')) {
      match = "=";
    } else if (At('*') || At('^')) {
      match = std::string(1, m_css[m_at++]);
      if (!Take('=')) return Fail("= がありません");
    } else {
      return Fail("この属性の条件は使えません");
    }
    SkipBlanks();
    std::optional<std::string> value = Value();
    if (!value) return "";
    SkipBlanks();
    if (!Take(']')) return Fail("] がありません");
    std::string literal = XPathLiteral(*value);
    if (match == "=") return "[@" + name + "=" + literal + "]";
    if (match == "*") return "[contains(@" + name + "," + literal + ")]";
    return "[starts-with(@" + name + "," + literal + ")]";
  }

  std::string PseudoClass() {
    std::size_t start = m_at++;
    std::string name = Lower(Name());
    if (name == "first-child") return "[not(preceding-sibling::*)]";
    if (name == "last-child") return "[not(following-sibling::*)]";
    if (name == "nth-child" && Take('(')) {
      std::size_t close = m_css.find(')', m_at);
      if (close == std::string_view::npos) return Fail(") がありません");
      std::optional<Step> step = ParseStep(std::string(m_css.substr(m_at, close - m_at)));
      if (!step) return Fail(":nth-child の引数が読めません");
      m_at = close + 1;
      return StepCondition(*step);
    }
    m_at = start;
    return Fail("この擬似クラスは使えません");
  }

  std::optional<std::string> Value() {
    if (At('"') || At('\'')) {
      std::size_t quoteAt = m_at;
      char quote = m_css[m_at++];
      std::size_t close = m_css.find(quote, m_at);
      if (close == std::string_view::npos) {
        m_at = quoteAt;
        Fail("引用符が閉じていません");
        return std::nullopt;
      }
      std::string value(m_css.substr(m_at, close - m_at));
      m_at = close + 1;
      return value;
    }
    std::string name = Name();
    if (name.empty()) {
      Fail("属性の値がありません");
      return std::nullopt;
    }
    return name;
  }

  std::string Name() {
    std::size_t start = m_at;
    while (m_at < m_css.size() && IsNameChar(m_css[m_at])) ++m_at;
    return std::string(m_css.substr(start, m_at - start));
  }

  bool SkipBlanks() {
    std::size_t start = m_at;
    while (m_at < m_css.size() && std::isspace(static_cast<unsigned char>(m_css[m_at]))) ++m_at;
    return m_at > start;
  }
  bool At(char ch) const { return m_at < m_css.size() && m_css[m_at] == ch; }
  bool Take(char ch) {
    if (!At(ch)) return false;
    ++m_at;
    return true;
  }

  // Records the first fault with the character position of m_at; gives "" for the caller.
  std::string Fail(const std::string& why) {
    if (!m_error.empty()) return "";
    std::size_t characters = 1;
    for (std::size_t i = 0; i < m_at && i < m_css.size(); ++i) {
      if ((static_cast<unsigned char>(m_css[i]) & 0xC0) != 0x80) ++characters;
    }
    m_error = "CSS セレクタの " + std::to_string(characters) + " 文字目: " + why;
    if (m_at < m_css.size() && static_cast<unsigned char>(m_css[m_at]) < 0x80) {
      m_error += " (「" + std::string(1, m_css[m_at]) + "」)";
    }
    m_at = m_css.size();
    return "";
  }

  std::string_view m_css;
  std::size_t m_at = 0;
  std::string m_error;
};

}  // namespace

CssTranslation CssToXPath(std::string_view cssUtf8) {
  if (cssUtf8.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    return {"", "CSS セレクタが空です"};
  }
  return CTranslator(cssUtf8).Run();
}

std::string XPathLiteral(std::string_view value) {
  if (value.find('\'') == std::string_view::npos) return "'" + std::string(value) + "'";
  if (value.find('"') == std::string_view::npos) return "\"" + std::string(value) + "\"";
  std::string parts = "concat(";
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t quote = value.find('\'', start);
    if (quote == std::string_view::npos) quote = value.size();
    if (quote > start) parts += "'" + std::string(value.substr(start, quote - start)) + "',";
    if (quote < value.size()) parts += "\"'\",";
    start = quote + 1;
  }
  return parts + "'')";
}

}  // namespace text
