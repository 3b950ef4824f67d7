#include "platform/linux/x11_keys.h"

#include <X11/keysym.h>

#include "platform/linux/win32_user.h"

namespace kb::platform {

namespace {

struct KeyMapping {
  KeySym sym;
  int vk;
  bool extended;
};

// Keys whose virtual key is not their character.
constexpr KeyMapping kKeys[] = {
    {XK_BackSpace, VK_BACK, false},   {XK_Tab, VK_TAB, false},          {XK_ISO_Left_Tab, VK_TAB, false},
    {XK_Return, VK_RETURN, false},    {XK_KP_Enter, VK_RETURN, true},   {XK_Escape, VK_ESCAPE, false},
    {XK_space, VK_SPACE, false},      {XK_Shift_L, VK_SHIFT, false},    {XK_Shift_R, VK_SHIFT, false},
    {XK_Control_L, VK_CONTROL, false}, {XK_Control_R, VK_CONTROL, true}, {XK_Alt_L, VK_MENU, false},
    {XK_Alt_R, VK_MENU, true},        {XK_ISO_Level3_Shift, VK_MENU, true}, {XK_Meta_L, VK_MENU, false},
    {XK_Pause, VK_PAUSE, false},      {XK_Caps_Lock, VK_CAPITAL, false}, {XK_Prior, VK_PRIOR, true},
    {XK_Next, VK_NEXT, true},         {XK_End, VK_END, true},           {XK_Home, VK_HOME, true},
    {XK_Left, VK_LEFT, true},         {XK_Up, VK_UP, true},             {XK_Right, VK_RIGHT, true},
    {XK_Down, VK_DOWN, true},         {XK_Print, VK_SNAPSHOT, true},    {XK_Insert, VK_INSERT, true},
    {XK_Delete, VK_DELETE, true},     {XK_Super_L, VK_LWIN, true},      {XK_Super_R, VK_RWIN, true},
    {XK_Menu, VK_APPS, true},         {XK_KP_0, VK_NUMPAD0, false},     {XK_KP_1, VK_NUMPAD1, false},
    {XK_KP_2, VK_NUMPAD2, false},     {XK_KP_3, VK_NUMPAD3, false},     {XK_KP_4, VK_NUMPAD4, false},
    {XK_KP_5, VK_NUMPAD5, false},     {XK_KP_6, VK_NUMPAD6, false},     {XK_KP_7, VK_NUMPAD7, false},
    {XK_KP_8, VK_NUMPAD8, false},     {XK_KP_9, VK_NUMPAD9, false},     {XK_KP_Multiply, VK_MULTIPLY, false},
    {XK_KP_Add, VK_ADD, false},       {XK_KP_Subtract, VK_SUBTRACT, false}, {XK_KP_Decimal, VK_DECIMAL, false},
    {XK_KP_Divide, VK_DIVIDE, true},  {XK_KP_Home, VK_HOME, false},     {XK_KP_End, VK_END, false},
    {XK_KP_Left, VK_LEFT, false},     {XK_KP_Right, VK_RIGHT, false},   {XK_KP_Up, VK_UP, false},
    {XK_KP_Down, VK_DOWN, false},     {XK_KP_Prior, VK_PRIOR, false},   {XK_KP_Next, VK_NEXT, false},
    {XK_KP_Insert, VK_INSERT, false}, {XK_KP_Delete, VK_DELETE, false}, {XK_Num_Lock, VK_NUMLOCK, true},
    {XK_Scroll_Lock, VK_SCROLL, false}, {XK_semicolon, VK_OEM_1, false}, {XK_equal, VK_OEM_PLUS, false},
    {XK_comma, VK_OEM_COMMA, false},  {XK_minus, VK_OEM_MINUS, false},  {XK_period, VK_OEM_PERIOD, false},
    {XK_slash, VK_OEM_2, false},      {XK_grave, VK_OEM_3, false},      {XK_bracketleft, VK_OEM_4, false},
    {XK_backslash, VK_OEM_5, false},  {XK_bracketright, VK_OEM_6, false}, {XK_apostrophe, VK_OEM_7, false},
    {XK_less, VK_OEM_102, false},
};

}  // namespace

int VirtualKeyFromKeySym(KeySym sym, bool* extended) {
  *extended = false;
  if (sym >= XK_a && sym <= XK_z) return 'A' + static_cast<int>(sym - XK_a);
  if (sym >= XK_A && sym <= XK_Z) return 'A' + static_cast<int>(sym - XK_A);
  if (sym >= XK_0 && sym <= XK_9) return '0' + static_cast<int>(sym - XK_0);
  if (sym >= XK_F1 && sym <= XK_F24) return VK_F1 + static_cast<int>(sym - XK_F1);
  for (const KeyMapping& k : kKeys) {
    if (k.sym == sym) {
      *extended = k.extended;
      return k.vk;
    }
  }
  return 0;
}

std::vector<KeySym> KeySymsOfVirtualKey(int vk) {
  if (vk >= 'A' && vk <= 'Z') return {static_cast<KeySym>(XK_a + (vk - 'A'))};
  if (vk >= '0' && vk <= '9') return {static_cast<KeySym>(XK_0 + (vk - '0'))};
  if (vk >= VK_F1 && vk <= VK_F24) return {static_cast<KeySym>(XK_F1 + (vk - VK_F1))};
  switch (vk) {
    case VK_LSHIFT: return {XK_Shift_L};
    case VK_RSHIFT: return {XK_Shift_R};
    case VK_LCONTROL: return {XK_Control_L};
    case VK_RCONTROL: return {XK_Control_R};
    case VK_LMENU: return {XK_Alt_L};
    case VK_RMENU: return {XK_Alt_R, XK_ISO_Level3_Shift};
    default: break;
  }
  std::vector<KeySym> syms;
  for (const KeyMapping& k : kKeys)
    if (k.vk == vk) syms.push_back(k.sym);
  return syms;
}

char32_t CharFromKeySym(KeySym sym) {
  if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) return static_cast<char32_t>(sym);
  if ((sym & 0xFF000000) == 0x01000000) return static_cast<char32_t>(sym & 0x00FFFFFF);
  switch (sym) {
    case XK_BackSpace: return 0x08;
    case XK_Tab:
    case XK_ISO_Left_Tab: return 0x09;
    case XK_Return:
    case XK_KP_Enter: return 0x0D;
    case XK_Escape: return 0x1B;
    case XK_KP_Space: return 0x20;
    case XK_KP_Multiply: return '*';
    case XK_KP_Add: return '+';
    case XK_KP_Subtract: return '-';
    case XK_KP_Decimal: return '.';
    case XK_KP_Divide: return '/';
    case XK_EuroSign: return 0x20AC;
    default: break;
  }
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return static_cast<char32_t>('0' + (sym - XK_KP_0));
  return 0;
}

}  // namespace kb::platform
