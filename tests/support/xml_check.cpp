#include "support/xml_check.h"

#include <sstream>

#include "support/test_files.h"

namespace brelvano::test {

bool HavePythonXml() {
  return RunCommand("python3 -c 'import xml.dom.minidom' >/dev/null 2>&1").exitCode == 0;
}

std::vector<std::string> XmlElementAttributes(const std::string& path, const std::string& element,
                                              bool fragment) {
  // minidom keeps attributes in document order (Python 3.8 and later).
  const std::string script =
      "import sys, xml.dom.minidom\n"
      "data = open(sys.argv[1], 'rb').read()\n"
      "if sys.argv[3] == '1':\n"
      "    decl, sep, rest = data.partition(b'?>')\n"
      "    data = decl + sep + b'<fragment>' + rest + b'</fragment>'\n"
      "doc = xml.dom.minidom.parseString(data)\n"
      "for e in doc.getElementsByTagName(sys.argv[2]):\n"
      "    a = e.attributes\n"
      "    line = '|'.join(a.item(i).name + '=' + a.item(i).value for i in range(a.length))\n"
      "    sys.stdout.buffer.write(line.encode('utf-8') + b'\\n')\n";
  const CommandResult result =
      RunCommand("python3 -c " + ShellQuote(script) + " " + ShellQuote(path) + " " +
                 ShellQuote(element) + (fragment ? " 1" : " 0"));
  std::vector<std::string> lines;
  if (result.exitCode != 0) return lines;
  std::istringstream in(result.output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace brelvano::test
