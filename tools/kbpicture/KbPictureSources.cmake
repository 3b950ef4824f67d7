# The picture generator's sources, relative to the repository root. The main
# build compiles the tool's own files into a library (tests paint with it);
# the host build of a cross build compiles everything it needs itself.
set(KBPICTURE_TOOL_SOURCES
  tools/kbpicture/KeyMapFile.cpp
  tools/kbpicture/KeyboardPainter.cpp
  tools/kbpicture/PictureShapes.cpp)
set(KBPICTURE_MAIN_SOURCE tools/kbpicture/KbPictureMain.cpp)
# What the tool borrows from the program: the key map reader the keyboard
# picture control uses, and the toolkit's renderer with its fonts.
set(KBPICTURE_SHARED_SOURCES
  src/ui/common/CoordMapParser.cpp
  src/app/NumberText.cpp
  src/platform/text.cpp
  src/platform/diag.cpp
  src/toolkit/render/Bitmap.cpp
  src/toolkit/render/Blitter.cpp
  src/toolkit/render/Canvas.cpp
  src/toolkit/render/Color.cpp
  src/toolkit/render/Font.cpp
  src/toolkit/render/FontFace.cpp
  src/toolkit/render/FontNames.cpp
  src/toolkit/render/FontRegistry.cpp
  src/toolkit/render/PngEncoder.cpp
  src/toolkit/render/StbImageWriteImpl.cpp
  src/toolkit/render/StbTruetypeImpl.cpp
  src/toolkit/render/TextDecode.cpp
  src/toolkit/render/TextLayout.cpp
  src/toolkit/render/linux/FontLocatorFontconfig.cpp)
set(KBPICTURE_FILES)
foreach(scale "" "@1.5x" "@2x")
  foreach(state normal checked pressed floating demo)
    list(APPEND KBPICTURE_FILES "img_keboard_${state}${scale}.png")
  endforeach()
endforeach()
