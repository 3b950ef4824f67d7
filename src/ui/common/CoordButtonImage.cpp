#include "ui/common/CoordButtonImage.h"

#include <algorithm>

#include "platform/diag.h"
#include "platform/path.h"
#include "platform/save_file.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "ui/common/CoordMapParser.h"
#include "ui/common/KeyNavigation.h"

using kb::ui::Point;
using kb::ui::Rect;

namespace {
// The ring around the key with the keyboard focus: light on the dark keycaps,
// with a dark edge so that it also shows on a light picture.
constexpr kb::ui::Color kKeyFocusRing = kb::ui::Color::Rgb(0x5C, 0xC8, 0xFF);
constexpr kb::ui::Color kKeyFocusEdge = kb::ui::Color::Rgb(0x10, 0x12, 0x14);
constexpr int kKeyFocusThickness = 2;
}  // namespace

CoordButtonImage::CoordButtonImage() : alive_(std::make_shared<bool>(true)) { focusable_ = true; }

CoordButtonImage::~CoordButtonImage() { *alive_ = false; }

// --- attributes and creation ---

bool CoordButtonImage::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"bg") return SetBackground(value);
  if (name == L"chking") return SetOverlayAttribute(hoverImage_, value);
  if (name == L"chked") return SetOverlayAttribute(checkedImage_, value);
  if (name == L"pressed") return SetOverlayAttribute(pressedImage_, value);
  if (name == L"crdxml") {
    kb::ui::SApplication* app = kb::ui::SApplication::Instance();
    coordFile_ = app ? app->ResolveString(value) : value;
    return true;
  }
  if (name == L"type") {
    std::optional<int> type = kb::ui::ParseInt(value);
    if (!type) return false;
    selectionType_ = *type;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

bool CoordButtonImage::SetBackground(const std::wstring& value) {
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  std::shared_ptr<const kb::render::Bitmap> image = app ? app->GetImage(value) : nullptr;
  if (!image) return false;
  background_ = std::move(image);
  backgroundName_ = value;
  Invalidate();
  return true;
}

// Only that the picture exists is checked now; a file that is there but does
// not decode draws nothing in that state, as a missing one did.
bool CoordButtonImage::SetOverlayAttribute(Overlay& overlay, const std::wstring& value) {
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  kb::ui::ResName res = kb::ui::SplitResName(value, L"img");
  if (!app || !app->HasResource(res.type, res.name)) return false;
  overlay = Overlay{value, nullptr, false};
  Invalidate();
  return true;
}

const kb::render::Bitmap* CoordButtonImage::Overlay::Get() {
  if (!decoded && !name.empty()) {
    decoded = true;
    kb::ui::SApplication* app = kb::ui::SApplication::Instance();
    if (app) image = app->GetImage(name);
  }
  return image && !image->IsEmpty() ? image.get() : nullptr;
}

const kb::render::Bitmap* CoordButtonImage::Overlay::GetFor(int dpi, int& imageDpi) {
  imageDpi = kb::render::DeviceScale::kBaseDpi;
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  if (dpi == imageDpi || !app || name.empty()) return Get();
  kb::ui::SApplication::ScaledImage scaled = app->GetImageForDpi(name, dpi);
  if (!scaled.bitmap) return nullptr;
  imageDpi = scaled.dpi;
  return scaled.bitmap.get();
}

std::wstring CoordButtonImage::CoordFilePath() const {
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  return kb::PathJoin(app ? app->GetAppDir() : kb::ExecutableFolder(), coordFile_);
}

// The key map is read once, when the layout creates the control; a later
// "crdxml" only changes the name.
void CoordButtonImage::OnCreate() {
  if (coordFile_.empty()) return;
  std::wstring path = CoordFilePath();
  std::string bytes;
  if (!kb::ReadFileBytes(path, bytes)) {
    kb::DiagPrintfW(L"keyboard picture: no key map %ls\n", path.c_str());
    return;
  }
  auto buttons = coordmap::ParseCoordButtons(bytes, defaultColor_);
  if (!buttons) {
    kb::DiagPrintfW(L"keyboard picture: %ls is not a key map\n", path.c_str());
    return;
  }
  buttons_ = std::move(*buttons);
}

// --- what the program sets ---

void CoordButtonImage::SetButtonTip(int id, std::wstring_view tip) {
  for (CoordButton& button : buttons_) {
    if (id != kAllButtons && button.id != id) continue;
    button.tip = tip;
    if (id != kAllButtons) break;
  }
  StateChanged();
}

void CoordButtonImage::SetButtonChecked(int id, bool checked) {
  for (CoordButton& button : buttons_) {
    if (id != kAllButtons && button.id != id) continue;
    button.checked = checked ? 1 : 0;
    if (id != kAllButtons) break;
  }
  StateChanged();
}

void CoordButtonImage::ToggleButton(int id) {
  for (CoordButton& button : buttons_) {
    if (id != kAllButtons && button.id != id) continue;
    button.checked = button.checked ? 0 : 1;
    if (id != kAllButtons) break;
  }
  StateChanged();
}

bool CoordButtonImage::GetButton(int id, CoordButton* out) const {
  for (const CoordButton& button : buttons_) {
    if (button.id != id) continue;
    if (out) *out = button;
    return true;
  }
  return false;
}

void CoordButtonImage::StateChanged() {
  Invalidate();
  if (container_) container_->UpdateToolTip();
}

// --- hit testing and tooltips ---

Point CoordButtonImage::ToClient(Point hostPoint) const {
  // Host coordinates come from the 16-bit halves of the message's lParam.
  return Point{hostPoint.x - rect_.left, hostPoint.y - rect_.top};
}

int CoordButtonImage::FirstButtonAt(Point pt) const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i].rect.Contains(pt)) return static_cast<int>(i);
  return -1;
}

std::wstring CoordButtonImage::GetToolTipText(Point) const {
  for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
    if (!it->hover) continue;
    return it->tip.empty() ? it->name : it->tip;
  }
  return std::wstring();
}

// --- mouse ---

void CoordButtonImage::OnMouseMove(UINT flags, Point pt) {
  SWindow::OnMouseMove(flags, pt);
  Point local = ToClient(pt);
  bool changed = false;
  for (CoordButton& button : buttons_) {
    uint32_t hover = button.rect.Contains(local) ? 1 : 0;
    changed |= button.hover != hover;
    button.hover = hover;
  }
  if (changed) StateChanged();
}

void CoordButtonImage::OnMouseLeave() {
  SWindow::OnMouseLeave();
  for (CoordButton& button : buttons_) button.hover = 0;
  StateChanged();
}

void CoordButtonImage::ApplySelection(size_t index) {
  if (selectionType_ == kSelectSingle) {
    for (CoordButton& button : buttons_) button.checked = 0;
    buttons_[index].checked = 1;
    return;
  }
  if (selectionType_ == kSelectToggle) buttons_[index].checked = buttons_[index].checked ? 0 : 1;
}

void CoordButtonImage::OnLButtonDown(UINT flags, Point pt) {
  SWindow::OnLButtonDown(flags, pt);
  Point local = ToClient(pt);
  int index = FirstButtonAt(local);
  if (index < 0) return;
  // The arrow keys go on from the key last clicked.
  focusKey_ = index;
  bool handled = false;
  if (listener_) {
    // The listener may run a modal loop in which this control is destroyed
    // (the keyboard is unplugged and the main window closes).
    std::shared_ptr<bool> alive = alive_;
    const CoordButton& button = buttons_[static_cast<size_t>(index)];
    handled = listener_->OnCoordButtonClick(button.id, button.name, kCoordButtonPress, flags, local.x, local.y);
    if (!*alive) return;
  }
  if (!handled) ApplySelection(static_cast<size_t>(index));
  buttons_[static_cast<size_t>(index)].pressed = 1;
  StateChanged();
}

void CoordButtonImage::OnLButtonUp(UINT flags, Point pt) {
  SWindow::OnLButtonUp(flags, pt);
  Point local = ToClient(pt);
  int index = FirstButtonAt(local);
  // The button may come up anywhere: off the key, on another one, outside
  // the window (the capture brings the release here). The pressed look goes
  // wherever it is; only a release on the key pressed clicks it.
  bool wasPressed = index >= 0 && buttons_[static_cast<size_t>(index)].pressed != 0;
  // Released before the listener runs: a release typically opens a modal
  // dialog, and the key must not look held down (nor keep the mouse
  // captured) while that dialog is up.
  ClearPressed();
  if (container_) container_->ReleaseCaptureWindow(this);
  if (!wasPressed || !listener_) return;
  CoordButton& button = buttons_[static_cast<size_t>(index)];
  listener_->OnCoordButtonClick(button.id, std::wstring(button.name), kCoordButtonRelease, flags, local.x, local.y);
}

void CoordButtonImage::OnCaptureLost() {
  SWindow::OnCaptureLost();
  ClearPressed();
}

void CoordButtonImage::ClearPressed() {
  bool changed = false;
  for (CoordButton& button : buttons_) {
    changed |= button.pressed != 0;
    button.pressed = 0;
  }
  if (changed) StateChanged();
}

// --- painting ---

void CoordButtonImage::DrawBkgnd(kb::render::Canvas& canvas) {
  SWindow::DrawBkgnd(canvas);
  const int dx = rect_.left;
  const int dy = rect_.top;
  const bool picture = background_ && !background_->IsEmpty();
  // The keys' colours show only through a picture's translucent pixels.
  if (!picture || !background_->KnownOpaque()) {
    for (const CoordButton& button : buttons_) canvas.FillRect(button.rect.Offset(dx, dy), button.color);
  }
  const kb::render::DeviceScale& scale = canvas.Scale();
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  if (picture && !scale.IsIdentity() && app) {
    // The whole picture is placed as its keys will be (DrawImagePart), so
    // that the state pictures copied key by key line up with it exactly.
    kb::ui::SApplication::ScaledImage scaled = app->GetImageForDpi(backgroundName_, scale.Dpi());
    const kb::render::Bitmap& image = scaled.bitmap ? *scaled.bitmap : *background_;
    const Rect whole{0, 0, background_->Width(), background_->Height()};
    canvas.PushClip(rect_);
    canvas.DrawImagePart(image, scaled.bitmap ? scaled.dpi : kb::render::DeviceScale::kBaseDpi,
                         Point{rect_.left, rect_.top}, whole);
    canvas.PopClip();
  } else if (picture) {
    canvas.StretchBitmap(*background_, background_->Bounds(), rect_);
  }
  DrawOverlay(canvas, hoverImage_, &CoordButton::hover);
  DrawOverlay(canvas, checkedImage_, &CoordButton::checked);
  DrawOverlay(canvas, pressedImage_, &CoordButton::pressed);
}

// Copied at the picture's own size: the overlay pictures line up with the
// background only when the control has the pictures' size.
void CoordButtonImage::DrawOverlay(kb::render::Canvas& canvas, Overlay& overlay, uint32_t CoordButton::*flag) {
  const bool needed = std::any_of(buttons_.begin(), buttons_.end(), [&](const CoordButton& b) { return b.*flag != 0; });
  int imageDpi = kb::render::DeviceScale::kBaseDpi;
  const kb::render::Bitmap* image = needed ? overlay.GetFor(canvas.Scale().Dpi(), imageDpi) : nullptr;
  if (!image) return;
  for (const CoordButton& button : buttons_) {
    if (!(button.*flag)) continue;
    canvas.DrawImagePart(*image, imageDpi, Point{rect_.left, rect_.top}, button.rect);
  }
}

// --- keyboard ---

void CoordButtonImage::OnSetFocus(kb::ui::SWindow* previous) {
  // Tabbing in starts at a checked key, else at the first key of the map.
  if (focusKey_ < 0 || static_cast<size_t>(focusKey_) >= buttons_.size()) {
    auto checked = std::find_if(buttons_.begin(), buttons_.end(), [](const CoordButton& b) { return b.checked != 0; });
    focusKey_ = buttons_.empty() ? -1 : static_cast<int>(checked == buttons_.end() ? 0 : checked - buttons_.begin());
  }
  SWindow::OnSetFocus(previous);
}

std::wstring CoordButtonImage::GetAccessibleName() const {
  std::wstring name = SWindow::GetAccessibleName();
  if (focusKey_ < 0 || static_cast<size_t>(focusKey_) >= buttons_.size()) return name;
  const CoordButton& key = buttons_[static_cast<size_t>(focusKey_)];
  for (const std::wstring* part : {&key.name, &key.tip}) {
    if (part->empty()) continue;
    if (!name.empty()) name += L", ";
    name += *part;
  }
  return name;
}

void CoordButtonImage::SetFocusedKey(int index) {
  if (index < -1 || index >= static_cast<int>(buttons_.size()) || index == focusKey_) return;
  focusKey_ = index;
  Invalidate();
  // For a screen reader the key with the ring is what has the focus.
  if (container_) container_->AccessibleNameChanged(this);
}

bool CoordButtonImage::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  if (buttons_.empty()) return false;
  keynav::Move move;
  switch (vk) {
    case VK_LEFT: move = keynav::Move::kLeft; break;
    case VK_RIGHT: move = keynav::Move::kRight; break;
    case VK_UP: move = keynav::Move::kUp; break;
    case VK_DOWN: move = keynav::Move::kDown; break;
    case VK_HOME: move = keynav::Move::kRowStart; break;
    case VK_END: move = keynav::Move::kRowEnd; break;
    case VK_RETURN:
    case VK_SPACE:
      // A held key repeats; one press opens the assignment once.
      if (!(flags & KF_REPEAT)) ActivateKey(focusKey_);
      return true;
    default:
      return false;
  }
  SetFocusedKey(keynav::Neighbour(buttons_, focusKey_, move));
  return true;
}

void CoordButtonImage::ActivateKey(int index) {
  if (index < 0 || static_cast<size_t>(index) >= buttons_.size() || IsDisabled(true)) return;
  const CoordButton& key = buttons_[static_cast<size_t>(index)];
  const int id = key.id;
  const std::wstring name = key.name;
  // The listener is told of a click at the key's centre, as if the mouse
  // had been there.
  const Point centre{(key.rect.left + key.rect.right) / 2, (key.rect.top + key.rect.bottom) / 2};
  bool handled = false;
  if (listener_) {
    std::shared_ptr<bool> alive = alive_;
    handled = listener_->OnCoordButtonClick(id, name, kCoordButtonPress, 0, centre.x, centre.y);
    if (!*alive) return;
  }
  if (!handled) ApplySelection(static_cast<size_t>(index));
  StateChanged();
  if (listener_) listener_->OnCoordButtonClick(id, name, kCoordButtonRelease, 0, centre.x, centre.y);
}

void CoordButtonImage::DrawFocus(kb::render::Canvas& canvas) {
  if (focusKey_ < 0 || static_cast<size_t>(focusKey_) >= buttons_.size()) return;
  const Rect key = buttons_[static_cast<size_t>(focusKey_)].rect.Offset(rect_.left, rect_.top);
  const int t = kKeyFocusThickness;
  canvas.FrameRect(key.Deflate(-t - 1, -t - 1, -t - 1, -t - 1), kKeyFocusEdge, 1);
  canvas.FrameRect(key.Deflate(-t, -t, -t, -t), kKeyFocusRing, t);
}
