// The image check page: the address stays one attribute value whatever it holds.
#include "core/app/image_test_page.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageTestPage, TheAddressIsEscapedIntoItsAttribute) {
  EXPECT_EQ(ImageTestPage("/tmp/画像.png"), "<html><body><img src=\"/tmp/画像.png\"></body></html>");
  EXPECT_EQ(ImageTestPage("x\" onerror=\"alert(1)\"><script>a&b</script>'"),
            "<html><body><img src=\"x&quot; onerror=&quot;alert(1)&quot;&gt;&lt;script&gt;"
            "a&amp;b&lt;/script&gt;&#39;\"></body></html>");
}

}  // namespace
