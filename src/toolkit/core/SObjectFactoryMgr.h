#pragma once
// The class-name to factory table. Names compare without letter case, so a
// layout may write "tabCtrl" for "tabctrl".
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/SObjectFactory.h"

namespace kb::ui {

class SObjectFactoryMgr {
 public:
  // Without `replace`, a class that already has a factory keeps it and the
  // call returns false.
  bool RegisterFactory(const ISObjectFactory& factory, bool replace = false);
  bool UnregisterFactory(std::wstring_view className);
  bool HasFactory(std::wstring_view className) const;
  // Null for an unknown class.
  std::unique_ptr<SObject> CreateObject(std::wstring_view className) const;
  // The registered base class name, or "" for an unknown class.
  std::wstring BaseClassOf(std::wstring_view className) const;
  size_t Count() const { return factories_.size(); }

 private:
  std::map<std::wstring, std::unique_ptr<ISObjectFactory>> factories_;
};

}  // namespace kb::ui
