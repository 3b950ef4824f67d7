#pragma once
// The keys the macro and assignment dialog was opened for: key id (the HID
// usage id of the key on the keyboard picture) to the key's display name,
// ordered by id. The main dialog owns the map; it holds the clicked key while
// the dialog is open and is emptied when the dialog has closed.
#include <map>
#include <string>

using SelectedKeys = std::map<int, std::wstring>;
