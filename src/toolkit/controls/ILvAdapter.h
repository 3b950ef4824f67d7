#pragma once
// Adapters give list views their items: how many there are and how each
// item's controls (built from the list's template) show one data item.
// A list view observes its adapter; the program calls NotifyDataSetChanged
// after changing the data.
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace kb::ui {

class SWindow;

class ILvDataSetObserver {
 public:
  virtual ~ILvDataSetObserver() = default;
  virtual void OnDataSetChanged() = 0;
  // The adapter is being destroyed; it must not be used any more.
  virtual void OnAdapterDestroyed() = 0;
};

class ILvAdapter {
 public:
  virtual ~ILvAdapter();

  virtual int GetCount() = 0;
  // Shows data item `position` in `item`, whose controls were created from
  // `xmlTemplate`. Items are reused: every control must be set each time.
  virtual void GetView(int position, SWindow* item, pugi::xml_node xmlTemplate) = 0;

  void NotifyDataSetChanged();
  void RegisterObserver(ILvDataSetObserver* observer);
  void UnregisterObserver(ILvDataSetObserver* observer);

 private:
  std::vector<ILvDataSetObserver*> observers_;
};

// Adapters of multi-column list views name, for each header column, the
// control of an item that is placed under that column.
class IMcAdapter : public ILvAdapter {
 public:
  virtual std::wstring GetColumnName(int column) const = 0;
};

}  // namespace kb::ui
