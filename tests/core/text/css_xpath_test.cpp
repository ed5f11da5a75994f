// The CSS translator against libxml2's own XPath engine: each selector must pick exactly
// the elements an XPath written independently of the translator picks on the same page.
#include "core/text/css_xpath.h"

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <memory>
#include <set>
#include <string>

namespace {

const char kPage[] =
    "<html><body><div id=\"main\" class=\"Page wide\">"
    "<h2 class=\"title\">News</h2><p class=\"lead\">one</p>"
    "<ul class=\"news\"><li data-id=\"1\">a</li><li>b</li><li class=\"x y\">c</li>"
    "<li><a href=\"/news/4\">d</a></li><li><a href=\"/item/5?news\">e</a></li><span>f</span></ul>"
    "<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr><tr><td>4</td></tr></table>"
    "<p class=\"newsletter\">no</p><p title=\"it's &quot;quoted&quot;\">q</p></div>"
    "<div class=\"news\"><p>outside</p></div></body></html>";

class CssXPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_document.reset(htmlReadMemory(kPage, sizeof kPage - 1, nullptr, "UTF-8",
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING));
    ASSERT_TRUE(m_document);
  }

  // The nodes `xpath` selects; fails the test when it does not run.
  std::set<const xmlNode*> Select(const std::string& xpath) {
    std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(
        xmlXPathNewContext(m_document.get()), xmlXPathFreeContext);
    std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), context.get()),
        xmlXPathFreeObject);
    std::set<const xmlNode*> nodes;
    EXPECT_TRUE(result && result->type == XPATH_NODESET) << xpath;
    if (!result || !result->nodesetval) return nodes;
    for (int i = 0; i < result->nodesetval->nodeNr; ++i) nodes.insert(result->nodesetval->nodeTab[i]);
    return nodes;
  }

  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> m_document{nullptr, xmlFreeDoc};
};

}  // namespace

TEST_F(CssXPathTest, SelectorsPickWhatLibxml2sXPathPicks) {
  const std::pair<const char*, const char*> cases[] = {
      {"li", "//li"},
      {"UL > LI", "//ul/li"},
      {"*", "//*"},
      {"#main", "//div[@id='main']"},
      {".news", "//ul[@class='news'] | //body/div[2]"},
      {".x.y", "//li[3]"},
      {"div .news li", "//div[@id='main']/ul/li"},
      {"#main > p", "//div[@id='main']/p"},
      {"[data-id]", "//li[1]"},
      {"li[data-id=\"1\"], h2[class=title]", "//li[1] | //h2"},
      {"a[href^='/news']", "//a[substring(@href, 1, 5) = '/news']"},
      {"a[href*=news]", "//a"},
      {"p[title*='\"quoted\"']", "//p[@title]"},
      {"li:first-child", "//ul/li[1]"},
      {"li:last-child", "//li[false()]"},
      {"ul > :last-child", "//ul/span"},
      {"td:nth-child(2)", "//tr[1]/td[2]"},
      {"tr:nth-child(odd)", "//tr[1] | //tr[3]"},
      {"tr:nth-child(even)", "//tr[2]"},
      {"ul > *:nth-child(2n+3)", "//ul/li[3] | //ul/li[5]"},
      {"ul > :nth-child(-n+2)", "//ul/li[1] | //ul/li[2]"},
      {"p:nth-child( 3n )", "//div[@id='main']/*[6]"},
  };
  for (const auto& [css, reference] : cases) {
    text::CssTranslation translation = text::CssToXPath(css);
    ASSERT_EQ(translation.error, "") << css;
    EXPECT_EQ(Select(translation.xpath), Select(reference)) << css << " -> " << translation.xpath;
    EXPECT_FALSE(Select(reference).empty() && std::string(css) != "li:last-child") << reference;
  }
}

TEST_F(CssXPathTest, AValueWithBothQuotesBecomesAConcatenation) {
  EXPECT_EQ(Select("//p[@title=" + text::XPathLiteral("it's \"quoted\"") + "]"), Select("//p[@title]"));
  EXPECT_EQ(Select("//li[@data-id=" + text::XPathLiteral("1") + "]").size(), 1u);
}

TEST_F(CssXPathTest, AnythingOutsideTheSubsetIsRefusedAtItsPosition) {
  const std::pair<const char*, const char*> cases[] = {
      {"li:hover", "CSS セレクタの 3 文字目: この擬似クラスは使えません (「:」)"},
      {"a[href$=x]", "CSS セレクタの 7 文字目: この属性の条件は使えません (「$」)"},
      {"h2 ~ p", "CSS セレクタの 4 文字目: この結合子は使えません (「~」)"},
      {"h2+p", "CSS セレクタの 3 文字目: この結合子は使えません (「+」)"},
      {"ul >", "CSS セレクタの 5 文字目: セレクタがありません"},
      {"a[title='x]", "CSS セレクタの 9 文字目: 引用符が閉じていません (「'」)"},
      {"li:nth-child(x)", "CSS セレクタの 14 文字目: :nth-child の引数が読めません (「x」)"},
      {"li,", "CSS セレクタの 4 文字目: セレクタがありません"},
      {"   ", "CSS セレクタが空です"},
  };
  for (const auto& [css, message] : cases) {
    EXPECT_EQ(text::CssToXPath(css).error, message) << css;
  }
}
