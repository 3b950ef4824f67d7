#pragma once
// The root of everything a layout can create: a class name that layouts and
// factories use, a class test that walks the base chain, and attributes.
//
// Every class declares itself with KB_CLASS, which also gives the factory its
// class and base-class names. Windows headers define many API names as macros
// (GetClassName, SetWindowText, ...); this header pulls them in first so every
// toolkit header sees the same spelling.
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace kb::ui {

class SObject {
 public:
  virtual ~SObject() = default;

  static const wchar_t* ClassName() { return L"object"; }
  static const wchar_t* BaseClassName() { return L""; }
  virtual const wchar_t* GetObjectClass() const { return ClassName(); }
  // True for the class's own name and every name of its base chain.
  virtual bool IsClass(std::wstring_view name) const { return name == ClassName(); }
  // The class names from the first base after "object" to this class.
  virtual void CollectClassChain(std::vector<const wchar_t*>& out) const {}

  // Applies one attribute. False when no class of the chain knows the name or
  // the value cannot be read; the object is then left as it was.
  bool SetAttribute(std::wstring_view name, std::wstring_view value, bool loading = false) {
    return OnAttribute(std::wstring(name), std::wstring(value), loading);
  }

 protected:
  // Each class handles its own attributes and passes the rest to its base.
  virtual bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
    return false;
  }
};

}  // namespace kb::ui

#define KB_CLASS(Self, Base, nameLiteral)                                            \
 public:                                                                             \
  using BaseClass = Base;                                                            \
  static const wchar_t* ClassName() { return nameLiteral; }                          \
  static const wchar_t* BaseClassName() { return Base::ClassName(); }                \
  const wchar_t* GetObjectClass() const override { return nameLiteral; }             \
  bool IsClass(std::wstring_view n) const override {                                 \
    return n == std::wstring_view(nameLiteral) || Base::IsClass(n);                  \
  }                                                                                  \
  void CollectClassChain(std::vector<const wchar_t*>& out) const override {          \
    Base::CollectClassChain(out);                                                    \
    out.push_back(nameLiteral);                                                      \
  }                                                                                  \
                                                                                     \
 private:
