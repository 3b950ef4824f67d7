#pragma once
// Object factories: layouts name a class ("button", "tabctrl2") and the
// application's factory manager creates it.
#include <memory>
#include <string>

#include "toolkit/core/SObject.h"

namespace kb::ui {

class ISObjectFactory {
 public:
  virtual ~ISObjectFactory() = default;
  virtual std::wstring ClassName() const = 0;
  virtual std::wstring BaseClassName() const = 0;
  virtual std::unique_ptr<SObject> NewObject() const = 0;
  virtual std::unique_ptr<ISObjectFactory> Clone() const = 0;
};

template <class T>
class TplSObjectFactory final : public ISObjectFactory {
 public:
  std::wstring ClassName() const override { return T::ClassName(); }
  std::wstring BaseClassName() const override { return T::BaseClassName(); }
  std::unique_ptr<SObject> NewObject() const override { return std::make_unique<T>(); }
  std::unique_ptr<ISObjectFactory> Clone() const override {
    return std::make_unique<TplSObjectFactory<T>>();
  }
};

}  // namespace kb::ui
