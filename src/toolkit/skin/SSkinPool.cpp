#include "toolkit/skin/SSkinPool.h"

#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/skin/SSkinColor.h"
#include "toolkit/skin/SSkinImgList.h"
#include "toolkit/skin/SSkinShape.h"

namespace kb::ui {

std::shared_ptr<ISkinObj> SSkinPool::CreateSkin(std::wstring_view type) {
  if (type == SSkinImgList::ClassName()) return std::make_shared<SSkinImgList>();
  if (type == SSkinImgFrame::ClassName()) return std::make_shared<SSkinImgFrame>();
  if (type == SSkinColor::ClassName()) return std::make_shared<SSkinColor>();
  if (type == SSkinShape::ClassName()) return std::make_shared<SSkinShape>();
  return nullptr;
}

int SSkinPool::LoadSkins(pugi::xml_node table) {
  int added = 0;
  for (pugi::xml_node node : table.children()) {
    if (node.type() != pugi::node_element) continue;
    std::wstring type = Utf8ToWide(node.name());
    std::wstring name = Utf8ToWide(node.attribute("name").as_string());
    std::shared_ptr<ISkinObj> skin = CreateSkin(type);
    if (!skin || name.empty()) {
      DiagPrintfW(L"skin \"%ls\" of type \"%ls\" skipped\n", name.c_str(), type.c_str());
      continue;
    }
    bool ok = true;
    // The kind of a shape decides how its other attributes read, so it goes first.
    if (pugi::xml_attribute kind = node.attribute("kind")) ok = skin->SetAttribute(L"kind", Utf8ToWide(kind.value()), true);
    for (pugi::xml_attribute attr : node.attributes()) {
      std::wstring attrName = Utf8ToWide(attr.name());
      if (attrName == L"kind") continue;
      if (!skin->SetAttribute(attrName, Utf8ToWide(attr.value()), true)) {
        DiagPrintfW(L"skin %ls: attribute %ls=\"%ls\" not applied\n", name.c_str(), attrName.c_str(),
                    Utf8ToWide(attr.value()).c_str());
        ok = false;
      }
    }
    if (!ok) continue;
    AddSkin(std::move(skin));
    ++added;
  }
  return added;
}

void SSkinPool::AddSkin(std::shared_ptr<ISkinObj> skin) {
  if (!skin || skin->GetName().empty()) return;
  skins_[skin->GetName()] = std::move(skin);
}

bool SSkinPool::RemoveSkin(std::wstring_view name) {
  auto it = skins_.find(name);
  if (it == skins_.end()) return false;
  skins_.erase(it);
  return true;
}

ISkinObj* SSkinPool::GetSkin(std::wstring_view name) const { return GetSkinShared(name).get(); }

std::shared_ptr<ISkinObj> SSkinPool::GetSkinShared(std::wstring_view name) const {
  auto it = skins_.find(name);
  return it == skins_.end() ? nullptr : it->second;
}

}  // namespace kb::ui
