#include "base/xml_attribute.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/test_files.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

std::string Written(const std::string& text) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  WriteXmlAttribute(stream, text);
  std::fclose(stream);
  std::string out(buffer, size);
  std::free(buffer);
  return out;
}

// Regression: one tag holding \x01 or \x1b made playlist.xml not
// well-formed, and the player could load no track.
TEST(WriteXmlAttribute, WritesOnlyWhatXmlAllows) {
  const std::string fffd = "\xEF\xBF\xBD";
  const struct {
    std::string text, written;
  } cases[] = {
      {"Rock & Roll", "\"Rock &amp; Roll\""},
      {"<\"'>", "\"&lt;&quot;&apos;&gt;\""},
      {"tab\there\nnew\rline", "\"tab\there\nnew\rline\""},  // allowed: kept raw
      {"a\x01z", "\"a" + fffd + "z\""},
      {"\x1b]0;title\x07", "\"" + fffd + "]0;title" + fffd + "\""},
      {"Caf\xC3\xA9 \xE6\xAD\x8C \xF0\x9F\x8E\xB5",
       "\"Caf\xC3\xA9 \xE6\xAD\x8C \xF0\x9F\x8E\xB5\""},
      {"del\x7F", "\"del\x7F\""},                          // XML 1.0 allows it
      {"caf\xE9!", "\"caf" + fffd + "!\""},                // Latin-1, not UTF-8
      {"\xC3", "\"" + fffd + "\""},                        // cut sequence
      {"\xC0\xAF", "\"" + fffd + fffd + "\""},             // overlong "/"
      {"\xED\xA0\x80", "\"" + fffd + fffd + fffd + "\""},  // a surrogate
      {"\xEF\xBF\xBE", "\"" + fffd + "\""},                // U+FFFE
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.text), c.written) << c.text;

  if (!test::HavePythonXml()) return;
  test::TempDir dir;
  std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<list>";
  for (const auto& c : cases) document += "<a v=" + c.written + "/>";
  document += "</list>\n";
  test::WriteFileBytes(dir.file("a.xml"), test::Bytes(document.begin(), document.end()));
  EXPECT_EQ(test::XmlElementAttributes(dir.file("a.xml"), "a").size(), std::size(cases));
}

}  // namespace
}  // namespace brelvano
