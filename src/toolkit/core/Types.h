#pragma once
// The geometry and colour types the toolkit's controls work in: the
// renderer's, under the names the controls use.
#include "toolkit/render/Color.h"
#include "toolkit/render/Geometry.h"

namespace kb::ui {

using Rect = render::Rect;
using Point = render::Point;
using Size = render::Size;
using Margins = render::Margins;
using Color = render::Color;

}  // namespace kb::ui
