#include "app/XmlFile.h"

#include "platform/diag.h"
#include "platform/save_file.h"
#include "platform/text.h"

namespace kb {
namespace {

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

 private:
  std::string& out_;
};

}  // namespace

bool LoadXmlFile(const std::wstring& path, pugi::xml_document& doc, pugi::xml_encoding encoding,
                 bool elementsOptional, bool* unreadable) {
  doc.reset();
  std::string bytes;
  ReadOutcome outcome = ReadWholeFile(path, bytes);
  if (unreadable) *unreadable = outcome == ReadOutcome::kUnreadable;
  if (outcome != ReadOutcome::kRead) return false;
  pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, encoding);
  // An empty file is a truncated one, not an empty list.
  if (elementsOptional && result.status == pugi::status_no_document_element && !bytes.empty()) return true;
  if (!result) {
    DiagPrintfW(L"cannot parse %ls: %ls at offset %lld\n", path.c_str(), Utf8ToWide(result.description()).c_str(),
                static_cast<long long>(result.offset));
    doc.reset();
    return false;
  }
  return true;
}

std::string XmlFileText(const pugi::xml_document& doc) {
  std::string text;
  StringWriter writer(text);
  doc.save(writer, "\t", pugi::format_indent, pugi::encoding_utf8);
  return text;
}

bool SaveXmlFile(const pugi::xml_document& doc, const std::wstring& path) {
  return SaveFileAtomically(path, XmlFileText(doc));
}

std::wstring AttributeText(const pugi::xml_attribute& attribute) { return Utf8ToWide(attribute.as_string()); }

void AppendTextAttribute(pugi::xml_node& node, const char* name, const std::wstring& text) {
  node.append_attribute(name).set_value(WideToUtf8(text).c_str());
}

pugi::xml_node ElementAtOrAfter(pugi::xml_node node) {
  while (node && node.type() != pugi::node_element) node = node.next_sibling();
  return node;
}

}  // namespace kb
