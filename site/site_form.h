// SiteForm: the settings form and the site grid's cursor as the site editor sees them.
// The main window implements this port with its widgets; tests implement it with a
// plain record. The editor never touches a widget directly.
//
// Fields and check boxes are addressed by the controls' roles; the comment on each
// enumerator names the control of the window that holds it. Texts are GBK.
//
// Threads: the editor calls the port from whichever thread runs the editor operation
// (the window runs newSite, saveSite and loadSite on short-lived workers). The window's
// implementation must make each call safe from any thread: a read returns the
// control's content at the time of the call, a write is visible when the call returns.
#pragma once

#include "foundation/text_kit.h"

namespace qm {

// Edit boxes of the settings form.
enum class FormField {
    Domain,              // 编辑框域名: the site's name everywhere
    Ip,                  // 编辑框IP
    InstallPath,         // 编辑框安装路径: parent folder of the site folder
    Template,            // 编辑框模板: template set name under 模板
    Title,               // 编辑框标题
    Keywords,            // 编辑框关键词
    Description,         // 编辑框描述
    Columns,             // 编辑框栏目
    InsertKeywordCount,  // 插入关键词数
    CustomLibrary,       // 编辑框8: custom article library folder
    LongTailLibrary,     // 编辑框12: long-tail word library
    LongTailCount,       // 长尾词调用数
    InternalLinkCount,   // 内链调用数
    GenerateCount,       // 生成数量
    Interval,            // 间隔时间: loop interval in minutes
};

// The eight basic fields, in the order the editor checks them and the profile stores
// them; the first four are the identity fields.
inline constexpr FormField kBasicFields[] = {
    FormField::Domain, FormField::Ip,       FormField::InstallPath, FormField::Template,
    FormField::Title,  FormField::Keywords, FormField::Description, FormField::Columns,
};

// Check boxes of the settings form.
enum class FormCheck {
    News,            // 选择框6 "自动采集新闻"
    CustomArticles,  // 选择框5 "导入自定义文章"
    LongTail,        // 选择框1 "开启长尾词"
    InternalLinks,   // 选择框2 "文章插入内链"
    InsertKeywords,  // 插入关键词 "文章插入关键词"
};

// Background colours (RGB) of the identity fields: locked and normal.
inline constexpr unsigned kLockedFieldColour = 0xF0F0F0;
inline constexpr unsigned kNormalFieldColour = 0xFFFFFF;

class SiteForm {
  public:
    virtual ~SiteForm() = default;

    virtual Text text(FormField field) = 0;
    virtual void setText(FormField field, const Text& text) = 0;
    virtual bool checked(FormCheck box) = 0;
    virtual void setChecked(FormCheck box, bool on) = 0;

    // 组合框1, the category list: its item texts, the selected index (-1 when none) and
    // selecting an item by index.
    virtual TextList comboItems() = 0;
    virtual int comboIndex() = 0;
    virtual void setComboIndex(int index) = 0;

    // Locked: 编辑框域名, 编辑框IP, 编辑框安装路径 and 编辑框模板 disabled with the
    // background kLockedFieldColour, and the folder button 超级按钮4 disabled.
    // Unlocked: all five enabled, the four fields with kNormalFieldColour.
    virtual void setIdentityLocked(bool locked) = 0;

    // Enables or disables the save button 超级按钮7.
    virtual void setSaveEnabled(bool enabled) = 0;

    // The row of the site grid's cursor, 0-based; -1 when no row is selected.
    virtual int selectedSiteRow() = 0;

    // Moves the keyboard focus to the function-settings heading 标签12.
    virtual void focusFunctionHeading() = 0;

    // Lets the window handle pending events (a no-op where the caller is a worker).
    virtual void processEvents() {}
};

}  // namespace qm
