#include "toolkit/controls/ILvAdapter.h"

#include <algorithm>

namespace kb::ui {

ILvAdapter::~ILvAdapter() {
  std::vector<ILvDataSetObserver*> observers = observers_;
  for (ILvDataSetObserver* o : observers) o->OnAdapterDestroyed();
}

void ILvAdapter::NotifyDataSetChanged() {
  std::vector<ILvDataSetObserver*> observers = observers_;
  for (ILvDataSetObserver* o : observers) o->OnDataSetChanged();
}

void ILvAdapter::RegisterObserver(ILvDataSetObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) observers_.push_back(observer);
}

void ILvAdapter::UnregisterObserver(ILvDataSetObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace kb::ui
