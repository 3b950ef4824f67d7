#pragma once
// Reading and writing the program's XML files with pugixml in its UTF-8 mode.
// Every file is written the same way: the default declaration
// (<?xml version="1.0"?>), one element per line, one tab per level, UTF-8
// without a byte-order mark, and replaced atomically (platform/save_file.h).
#include <pugixml.hpp>
#include <string>

namespace kb {

// Parses the file at `path` with the default parse options. False, with a
// diagnostic line when the file exists, if it cannot be read or parsed. A
// file without any element is an error unless `elementsOptional` is set (a
// file of top-level records holds none when there are no records); an empty
// file is an error in any case.
// `unreadable`, when given, tells a file that is there but could not be read
// (its content unknown) from one that is missing or does not parse.
bool LoadXmlFile(const std::wstring& path, pugi::xml_document& doc, pugi::xml_encoding encoding,
                 bool elementsOptional = false, bool* unreadable = nullptr);

// The bytes the program writes for `doc`.
std::string XmlFileText(const pugi::xml_document& doc);

bool SaveXmlFile(const pugi::xml_document& doc, const std::wstring& path);

// An attribute's text as a wide string ("" when the attribute is missing).
std::wstring AttributeText(const pugi::xml_attribute& attribute);

// Appends an attribute holding `text` as UTF-8.
void AppendTextAttribute(pugi::xml_node& node, const char* name, const std::wstring& text);

// The next element among `node` and its following siblings; text, CDATA and
// other non-element nodes are passed over. Null when there is none.
pugi::xml_node ElementAtOrAfter(pugi::xml_node node);

}  // namespace kb
