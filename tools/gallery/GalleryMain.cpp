// The toolkit gallery: one window with every control in Chinese or English.
//
//   gallery [--lang cn|en] [--render FILE.png] [--exit-after MS]
//
// --render draws the window into a PNG without showing it (no display
// needed); --exit-after closes the shown window after that many
// milliseconds (for screenshots). Resources are read from "gallery-uires"
// beside the executable.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "GalleryImages.h"
#include "GalleryWnd.h"
#include "platform/diag.h"
#include "platform/path.h"
#include "platform/save_file.h"
#include "platform/text.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/render/PngEncoder.h"

namespace {

struct Options {
  std::wstring lang = L"en";
  std::wstring renderPath;
  int exitAfterMs = 0;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--lang") == 0 && hasValue) {
      options.lang = kb::Utf8ToWide(argv[++i]);
    } else if (std::strcmp(argv[i], "--render") == 0 && hasValue) {
      options.renderPath = kb::Utf8ToWide(argv[++i]);
    } else if (std::strcmp(argv[i], "--exit-after") == 0 && hasValue) {
      options.exitAfterMs = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: gallery [--lang cn|en] [--render FILE.png] [--exit-after MS]\n");
      return false;
    }
  }
  return options.lang == L"cn" || options.lang == L"en";
}

int Render(gallery::CGalleryWnd& wnd, const std::wstring& path) {
  if (!wnd.BuildTree()) return 1;
  wnd.Setup();
  wnd.LayoutTo(wnd.GetLayoutSize());
  kb::render::Bitmap bitmap;
  if (!wnd.RenderTo(bitmap)) return 1;
  std::vector<uint8_t> png = kb::render::EncodePng(bitmap);
  if (!kb::SaveFileAtomically(path, std::string(png.begin(), png.end()))) {
    kb::DiagPrintfW(L"gallery: cannot write %ls\n", path.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  using namespace kb::ui;
  auto render = std::make_shared<SRenderFactory>();
  render->SetImgDecoderFactory(SImgDecoderFactory::Create(L"imgdecoder-stb"));
  SApplication app(render, GetModuleHandleW(nullptr), L"KbGalleryHost");
  auto images = std::make_shared<SResProviderMemory>();
  gallery::AddGeneratedImages(*images);
  app.AddResProvider(images, L"");
  auto files = std::make_shared<SResProviderFiles>();
  if (!files->Init(kb::PathJoin(kb::ExecutableFolder(), L"gallery-uires"))) return 1;
  app.AddResProvider(files, L"uidef:xml_init");
  SResProviderExe exe;
  exe.Init(nullptr);
  app.LoadSystemNamedResource(exe);
  app.SetTranslator(std::make_shared<STranslatorMgr>());

  gallery::CGalleryWnd wnd;
  wnd.SwitchLanguage(options.lang == L"cn" ? L"translator:lang_cn" : L"translator:lang_en");
  if (!options.renderPath.empty()) return Render(wnd, options.renderPath);

  if (!wnd.Create(nullptr)) return 1;
  wnd.Setup();
  wnd.CenterWindow();
  ShowWindow(wnd.GetHwnd(), SW_SHOWNORMAL);
  if (options.exitAfterMs > 0) SetTimer(wnd.GetHwnd(), gallery::CGalleryWnd::kExitTimer, options.exitAfterMs, nullptr);
  return app.Run(wnd.GetHwnd());
}
