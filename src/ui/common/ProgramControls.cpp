#include "ui/common/ProgramControls.h"

#include "ui/common/CoordButtonImage.h"
#include "ui/common/SAnimImg.h"
#include "ui/common/SCheckBoxEx.h"
#include "ui/common/SEditEx.h"
#include "ui/common/SRadioBoxEx.h"
#include "ui/common/SShellNotifyIcon.h"
#include "ui/common/STabCtrl2.h"

namespace kb::ui {

std::vector<std::unique_ptr<ISObjectFactory>> ProgramControlFactories() {
  std::vector<std::unique_ptr<ISObjectFactory>> factories;
  factories.push_back(std::make_unique<TplSObjectFactory<SShellNotifyIcon>>());
  factories.push_back(std::make_unique<TplSObjectFactory<CoordButtonImage>>());
  factories.push_back(std::make_unique<TplSObjectFactory<STabPage2>>());
  factories.push_back(std::make_unique<TplSObjectFactory<STabCtrl2>>());
  factories.push_back(std::make_unique<TplSObjectFactory<SAnimImg>>());
  factories.push_back(std::make_unique<TplSObjectFactory<SEditEx>>());
  factories.push_back(std::make_unique<TplSObjectFactory<SRadioBoxEx>>());
  factories.push_back(std::make_unique<TplSObjectFactory<SCheckBoxEx>>());
  return factories;
}

void RegisterProgramControls(SApplication& app) {
  for (const auto& factory : ProgramControlFactories()) app.RegisterObjectFactory(*factory, false);
}

}  // namespace kb::ui
