#pragma once
// A task that calls a member function of an object with the task's
// arguments and data.
#include <memory>

#include "app/BaseRunable.h"

template <typename T>
class ThreadRunable : public BaseRunable {
 public:
  using Method = int32_t (T::*)(DWORD firstArgument, DWORD secondArgument, const BYTE* data, DWORD size);

  ThreadRunable(T* object, Method method, DWORD firstArgument = 0, DWORD secondArgument = 0)
      : BaseRunable(firstArgument, secondArgument), object(object), method(method) {}

  bool IsValid() const override { return object != nullptr && method != nullptr; }

  std::unique_ptr<BaseRunable> Clone() const override {
    return std::unique_ptr<BaseRunable>(new ThreadRunable(*this));
  }

  int32_t Run(DWORD firstArgument, DWORD secondArgument, const BYTE* data, DWORD size) override {
    if (!IsValid()) return 0;
    return (object->*method)(firstArgument, secondArgument, data, size);
  }

 protected:
  ThreadRunable(const ThreadRunable& other) = default;

 private:
  T* object;
  Method method;
};
