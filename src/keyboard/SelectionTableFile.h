#pragma once
// SelectionTable's loading and saving, included only by the .cpp of each
// table type, which instantiates it.
#include <pugixml.hpp>

#include "app/XmlFile.h"
#include "keyboard/SelectionTable.h"

template <class Table, class Entry, int Count, int MaxSel, int DefaultSel>
bool SelectionTable<Table, Entry, Count, MaxSel, DefaultSel>::Load(const std::wstring& path) {
  if (path.empty()) return false;
  path_ = path;
  pugi::xml_document doc;
  bool unreadable = false;
  keepFile_ = false;
  if (!kb::LoadXmlFile(path_, doc, pugi::encoding_utf8, false, &unreadable)) {
    // A missing or malformed file is replaced by the defaults. One that is
    // there but could not be read (locked by another program, no permission,
    // an I/O error) may hold the user's choices: the run goes on with the
    // defaults in memory and never writes over it.
    keepFile_ = unreadable;
    ResetDefaults();
    return false;
  }
  pugi::xml_node root = doc.child(kRootName);
  sel_ = root.attribute("sel").as_int(0);
  if (static_cast<uint32_t>(sel_) > static_cast<uint32_t>(MaxSel)) sel_ = 0;
  pugi::xml_node item = kb::ElementAtOrAfter(root.first_child());
  for (int i = 0; i < Count && item; ++i, item = kb::ElementAtOrAfter(item.next_sibling())) {
    entries_[static_cast<size_t>(i)] = Table::ReadEntry(item);
  }
  return true;
}

template <class Table, class Entry, int Count, int MaxSel, int DefaultSel>
bool SelectionTable<Table, Entry, Count, MaxSel, DefaultSel>::Save() {
  if (path_.empty() || keepFile_) return false;
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child(kRootName);
  root.append_attribute("sel").set_value(sel_);
  for (const Entry& entry : entries_) {
    pugi::xml_node item = root.append_child("item");
    Table::WriteEntry(item, entry);
  }
  return kb::SaveXmlFile(doc, path_);
}
