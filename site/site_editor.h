// The site editor: the operations behind the settings form and the site grid. They
// create, modify, load and delete sites; every setting of a site lives in its profile
// file (engine/site_profile.h), the editor keeps nothing between operations.
//
// Every operation works on a SiteEditorContext: the run directory, the site grid
// (SiteList), the form port (site/site_form.h), the run log and prompt port, the
// web-server binder and the clock its short waits go through. The context only
// borrows them; the window (or a test) owns them and keeps them alive while an
// operation runs.
//
// Threads: every function is synchronous and may run on any thread; the window
// decides which. It runs newSite, saveSite and loadSite on short-lived workers and
// deleteSite, pickFolder and the check-box and category handlers on its own thread.
// Before it starts a saveSite worker the window disables the save button
// (form.setSaveEnabled(false)) so that a second click cannot start a second save;
// saveSite enables it again on every path. newSite and loadSite take a stop token: a
// run whose stop was requested (the window starts a newer one) ends without touching
// the form again.
//
// Messages go through log.show_prompt and block the calling thread until answered.
#pragma once

#include <stop_token>

#include "engine/site_profile.h"
#include "foundation/clock.h"
#include "foundation/run_log.h"
#include "site/domain_rules.h"
#include "site/iis_binder.h"
#include "site/site_form.h"

namespace qm {

class SiteList;

struct SiteEditorContext {
    Text runDir;  // GBK, no trailing separator
    SiteList& sites;
    SiteForm& form;
    RunLogPort& log;
    IisBinder& binder;
    Clock& clock;
};

// The form's current contents as the profile stores them (news follows 选择框6).
SiteSettings readSettings(SiteForm& form);

// Clears 编辑框域名, 编辑框模板 and the four descriptive basic fields (编辑框IP,
// 编辑框安装路径 and every function setting keep their content) and unlocks the
// identity fields.
void newSite(SiteEditorContext& ctx, std::stop_token stop = {});

// Checks the form and then either rewrites the profile of an existing domain
// (updateProfile) or creates the site (createSite, site/site_provision.h). Messages:
// "基本设置中有内容没有填写", "自定义文章，必须填写文章库路径",
// "开启长尾词，必须填写长尾词库的路径", and for a domain that cannot safely name a
// file, a host and a web-server site, kBadDomainPrompt. Enables the save button on
// every path.
void saveSite(SiteEditorContext& ctx);

// Rewrites the profile of the domain in the form, refreshes the grid, shows "修改成功"
// and enables the save button. Nothing else of the site is touched.
void updateProfile(SiteEditorContext& ctx);
void updateProfile(SiteEditorContext& ctx, const SiteSettings& settings);

// Fills the form from the profile of the site in the grid row of the cursor and locks
// the identity fields. An empty row does nothing; an incomplete profile shows
// "配置数据不完整" and leaves the form as it was.
void loadSite(SiteEditorContext& ctx, std::stop_token stop = {});

// Removes the web-server site, the profile, the grid row and the database of the site
// in the cursor's row ("未选中网站", "删除失败", "删除成功"); the site folder stays on
// disk.
void deleteSite(SiteEditorContext& ctx);

// Refills the grid from the profile folder's "*.txt" files (see SiteList).
void refreshSiteList(SiteEditorContext& ctx);

// The title of the folder dialog the window opens for the three "选择" buttons.
extern const Text kPickFolderTitle;  // 请选择要抽取的文件目录！

// Puts the dialog's result into the target field; a cancelled dialog gives the empty
// text and so clears the field.
void pickFolder(SiteForm& form, FormField target, const Text& chosenPath);

// The click handler of 选择框5 and 选择框6: the box that ends up checked unchecks the
// other one; unchecking one never checks the other.
void modeBoxClicked(SiteForm& form, FormCheck clicked);

// The selection handler of 组合框1: an item from index 2 on shows
// "当前只开放 新闻类 文章，其他类型文章即将开放" and selects the first item beginning
// with " 热门新闻". Every change moves the focus to the function-settings heading.
void categoryChanged(SiteForm& form, RunLogPort& log, int index);

}  // namespace qm
