#include "toolkit/core/SObjectFactoryMgr.h"

#include "toolkit/core/AttrParse.h"

namespace kb::ui {

bool SObjectFactoryMgr::RegisterFactory(const ISObjectFactory& factory, bool replace) {
  std::wstring key = ToLowerAscii(factory.ClassName());
  auto it = factories_.find(key);
  if (it != factories_.end() && !replace) return false;
  factories_[key] = factory.Clone();
  return true;
}

bool SObjectFactoryMgr::UnregisterFactory(std::wstring_view className) {
  return factories_.erase(ToLowerAscii(className)) > 0;
}

bool SObjectFactoryMgr::HasFactory(std::wstring_view className) const {
  return factories_.count(ToLowerAscii(className)) > 0;
}

std::unique_ptr<SObject> SObjectFactoryMgr::CreateObject(std::wstring_view className) const {
  auto it = factories_.find(ToLowerAscii(className));
  if (it == factories_.end()) return nullptr;
  return it->second->NewObject();
}

std::wstring SObjectFactoryMgr::BaseClassOf(std::wstring_view className) const {
  auto it = factories_.find(ToLowerAscii(className));
  return it == factories_.end() ? std::wstring() : it->second->BaseClassName();
}

}  // namespace kb::ui
