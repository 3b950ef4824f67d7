// Full repaint of the main window: the whole tree of the real layout, with
// the program's controls and the resource package of the output folder,
// drawn into the window's back buffer as WM_PAINT does for an invalidated
// window (the transfer to the display is not included). The floor is a
// clear of a bitmap of the same size, measured in the same run.
//   bench_repaint [REPAINTS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/BenchStats.h"
#include "platform/path.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SRenderFactory.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/core/STranslatorMgr.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/window/SHostWnd.h"
#include "ui/common/ProgramControls.h"
#include "ui/common/ResourceNames.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int repaints = argc > 1 ? std::atoi(argv[1]) : 200;
  auto render = std::make_shared<kb::ui::SRenderFactory>();
  render->SetImgDecoderFactory(kb::ui::SImgDecoderFactory::Create(kb::res::kImageDecoder));
  kb::ui::SApplication app(render, GetModuleHandleW(nullptr), kb::res::kHostClassName);
  auto files = std::make_shared<kb::ui::SResProviderFiles>();
  if (!files->Init(kb::PathJoin(kb::ExecutableFolder(), kb::res::kResourceFolder))) {
    std::fprintf(stderr, "bench_repaint: no uires folder beside the executable\n");
    return 1;
  }
  kb::RegisterNamedIds(app);
  app.AddResProvider(files, kb::res::kUiDefInit);
  kb::ui::SResProviderExe exe;
  exe.Init(nullptr);
  app.LoadSystemNamedResource(exe);
  app.SetTranslator(std::make_shared<kb::ui::STranslatorMgr>());
  RegisterProgramControls(app);

  kb::ui::SHostWnd host(kb::res::kLayoutMainWnd);
  if (!host.BuildTree()) {
    std::fprintf(stderr, "bench_repaint: the main layout did not load\n");
    return 1;
  }
  host.LayoutTo(host.GetLayoutSize());
  kb::render::Bitmap frame;
  host.RenderTo(frame);  // the first one decodes the pictures
  std::vector<double> full, floor;
  for (int i = 0; i < repaints; ++i) {
    Clock::time_point start = Clock::now();
    host.RenderTo(frame);
    full.push_back(MicrosSince(start));
    start = Clock::now();
    kb::render::Canvas(frame).Clear(kb::render::Color::Rgb(0xFA, 0xFA, 0xFA));
    floor.push_back(MicrosSince(start));
  }
  std::printf("Full repaint of the main window (%dx%d, render into the back buffer)\n", frame.Width(), frame.Height());
  std::printf("%s\n", kb::bench::Line("  main window, whole tree", kb::bench::Summarise(full), "us").c_str());
  std::printf("%s\n", kb::bench::Line("  floor: clear of the same bitmap", kb::bench::Summarise(floor), "us").c_str());
  return 0;
}
