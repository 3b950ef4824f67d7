#include "toolkit/menu/SMenu.h"

#include <algorithm>
#include <cstring>

#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/menu/SMenuPopup.h"

namespace kb::ui {

SMenu::SMenu() = default;
SMenu::~SMenu() = default;

bool SMenu::Load(std::wstring_view resName) {
  SApplication* app = SApplication::Instance();
  pugi::xml_document doc;
  if (!app || !app->LoadXmlDocument(doc, resName, L"smenu")) return false;
  return LoadFromNode(doc.document_element());
}

bool SMenu::LoadMenuXml(const std::string& xml) {
  pugi::xml_document doc;
  if (xml.empty() || !doc.load_buffer(xml.data(), xml.size())) return false;
  return LoadFromNode(doc.document_element());
}

bool SMenu::LoadFromNode(pugi::xml_node root) {
  if (!root || std::strcmp(root.name(), RootName()) != 0) return false;
  style_ = SMenuStyle{};
  style_.itemHeight = std::max(8, root.attribute("itemHeight").as_int(style_.itemHeight));
  style_.minWidth = std::max(0, root.attribute("minWidth").as_int(style_.minWidth));
  style_.iconWidth = std::max(0, root.attribute("iconWidth").as_int(style_.iconWidth));
  style_.iconSkin = Utf8ToWide(root.attribute("iconSkin").as_string());
  style_.trContext = Utf8ToWide(root.attribute("trCtx").as_string());
  items_.clear();
  ParseItems(root, items_);
  return true;
}

void SMenu::ParseItems(pugi::xml_node parent, std::vector<SMenuItemInfo>& out) const {
  SApplication* app = SApplication::Instance();
  for (pugi::xml_node node : parent.children()) {
    if (node.type() != pugi::node_element) continue;
    if (std::strcmp(node.name(), "sep") == 0) {
      SMenuItemInfo sep;
      sep.separator = true;
      out.push_back(std::move(sep));
      continue;
    }
    if (std::strcmp(node.name(), ItemName()) != 0) continue;
    SMenuItemInfo info;
    info.id = node.attribute("id").as_int(0);
    std::wstring text = Utf8ToWide(node.attribute("text") ? node.attribute("text").value() : "");
    if (text.empty() && !KeepsItemLayout()) text = std::wstring(Trim(Utf8ToWide(node.text().get())));
    info.text = app ? app->ResolveString(text) : text;
    info.icon = node.attribute("icon").as_int(-1);
    info.checked = node.attribute("check").as_bool(false);
    info.disabled = node.attribute("disable").as_bool(false) || !node.attribute("enable").as_bool(true);
    if (KeepsItemLayout()) {
      info.layout = std::make_shared<pugi::xml_document>();
      info.layout->append_copy(node);
      if (pugi::xml_node sub = node.child(RootName())) ParseItems(sub, info.children);
    } else {
      ParseItems(node, info.children);
    }
    out.push_back(std::move(info));
  }
}

SMenuItemInfo* SMenu::FindItem(int id, std::vector<SMenuItemInfo>& items) {
  for (SMenuItemInfo& item : items) {
    if (!item.separator && item.id == id && id != 0) return &item;
    if (SMenuItemInfo* found = FindItem(id, item.children)) return found;
  }
  return nullptr;
}

bool SMenu::EnableItem(int id, bool enable) {
  SMenuItemInfo* item = FindItem(id, items_);
  if (!item) return false;
  item->disabled = !enable;
  return true;
}

bool SMenu::CheckItem(int id, bool checked) {
  SMenuItemInfo* item = FindItem(id, items_);
  if (!item) return false;
  item->checked = checked;
  return true;
}

void SMenu::AppendItem(int id, std::wstring_view text) {
  SMenuItemInfo info;
  info.id = id;
  info.text = text;
  items_.push_back(std::move(info));
}

int SMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* exclude, int scale) {
  if (items_.empty()) return 0;
  SMenuStyle style = style_;
  if (scale > 0 && scale != 100) {
    style.itemHeight = style.itemHeight * scale / 100;
    style.sepHeight = style.sepHeight * scale / 100;
    style.minWidth = style.minWidth * scale / 100;
    style.iconWidth = style.iconWidth * scale / 100;
  }
  SMenuPopup popup(items_, style, nullptr);
  Size size = SPopupWnd::DeviceSizeFor(owner, popup.BuildItems());
  if (flags & TPM_RIGHTALIGN) x -= size.cx;
  else if (flags & TPM_CENTERALIGN) x -= size.cx / 2;
  if (flags & TPM_BOTTOMALIGN) y -= size.cy;
  else if (flags & TPM_VCENTERALIGN) y -= size.cy / 2;
  Rect anchor = exclude ? Rect{exclude->left, exclude->top, exclude->right, exclude->bottom} : Rect{x, y, x, y};
  Rect placed = PlacePopup(size, anchor);
  if (!popup.Open(owner, placed)) return 0;
  int command = popup.RunLoop();
  if (command <= 0) return 0;
  if (flags & TPM_RETURNCMD) return command;
  if (owner) ::PostMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return TRUE;
}

}  // namespace kb::ui
