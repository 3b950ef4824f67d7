#include "toolkit/core/BuiltinClasses.h"

#include "toolkit/controls/SButton.h"
#include "toolkit/controls/SCaption.h"
#include "toolkit/controls/SCheckBox.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SHeaderCtrl.h"
#include "toolkit/controls/SImageWnd.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/controls/SMCListView.h"
#include "toolkit/controls/SRadioBox.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/controls/SStatic.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

void RegisterToolkitClasses(SObjectFactoryMgr& factories) {
  factories.RegisterFactory(TplSObjectFactory<SWindow>());
  factories.RegisterFactory(TplSObjectFactory<SStatic>());
  factories.RegisterFactory(TplSObjectFactory<SCaption>());
  factories.RegisterFactory(TplSObjectFactory<SButton>());
  factories.RegisterFactory(TplSObjectFactory<SImageButton>());
  factories.RegisterFactory(TplSObjectFactory<SImageWnd>());
  factories.RegisterFactory(TplSObjectFactory<SCheckBox>());
  factories.RegisterFactory(TplSObjectFactory<SRadioBox>());
  factories.RegisterFactory(TplSObjectFactory<SComboBox>());
  factories.RegisterFactory(TplSObjectFactory<SSliderBar>());
  factories.RegisterFactory(TplSObjectFactory<STabCtrl>());
  factories.RegisterFactory(TplSObjectFactory<STabPage>());
  factories.RegisterFactory(TplSObjectFactory<SEdit>());
  factories.RegisterFactory(TplSObjectFactory<SListView>());
  factories.RegisterFactory(TplSObjectFactory<SMCListView>());
  factories.RegisterFactory(TplSObjectFactory<SHeaderCtrl>());
}

}  // namespace kb::ui
