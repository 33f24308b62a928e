#include "site/site_editor.h"

#include "engine/gbk_literals.h"
#include "engine/site_list.h"
#include "site/site_provision.h"

namespace qm {

const Text kPickFolderTitle = utf8_to_gbk("请选择要抽取的文件目录！");

namespace {

using std::chrono::milliseconds;

// Column 1 of a grid row; empty for a row the grid does not have.
Text siteNameAt(SiteList& sites, int row) {
    if (row < 0 || row >= sites.rowCount()) return Text();
    return sites.cell(row, 1);
}

// How often name occurs in text, ASCII letters compared without regard to case,
// occurrences not overlapping.
int occurrences(const Text& text, const Text& name) {
    if (name.empty()) return 0;
    const Text rest = replace_text(text, name, "", 1, -1, false);
    return (byte_length(text) - byte_length(rest)) / byte_length(name);
}

// The first item of list that begins with prefix, ASCII case ignored; -1 when none.
int firstItemBeginningWith(const TextList& items, const Text& prefix) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (find_text(items[i], prefix, 1, true) == 1 || prefix.empty()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// What saveSite refuses before anything is written: the prompt, or empty when the
// form may be saved.
Text saveRefusal(const SiteSettings& settings, SiteForm& form) {
    const Text* basic[] = {&settings.domain,       &settings.ip,     &settings.installFolder,
                           &settings.templateName, &settings.title,  &settings.keywords,
                           &settings.description,  &settings.columns};
    for (const Text* value : basic) {
        if (value->empty()) return QM_GBK("基本设置中有内容没有填写");
    }
    if (form.checked(FormCheck::CustomArticles) && settings.customFolder.empty()) {
        return QM_GBK("自定义文章，必须填写文章库路径");
    }
    if (settings.longTail && settings.longTailFolder.empty()) {
        return QM_GBK("开启长尾词，必须填写长尾词库的路径");
    }
    if (!isUsableDomain(settings.domain)) return kBadDomainPrompt;
    return Text();
}

}  // namespace

SiteSettings readSettings(SiteForm& form) {
    SiteSettings s;
    s.domain = form.text(FormField::Domain);
    s.ip = form.text(FormField::Ip);
    s.installFolder = form.text(FormField::InstallPath);
    s.templateName = form.text(FormField::Template);
    s.title = form.text(FormField::Title);
    s.keywords = form.text(FormField::Keywords);
    s.description = form.text(FormField::Description);
    s.columns = form.text(FormField::Columns);
    s.news = form.checked(FormCheck::News);
    s.longTail = form.checked(FormCheck::LongTail);
    s.internalLinks = form.checked(FormCheck::InternalLinks);
    s.keywordLinks = form.checked(FormCheck::InsertKeywords);
    s.keywordLinkCount = form.text(FormField::InsertKeywordCount);
    s.customFolder = form.text(FormField::CustomLibrary);
    s.longTailFolder = form.text(FormField::LongTailLibrary);
    s.longTailCount = form.text(FormField::LongTailCount);
    s.internalLinkCount = form.text(FormField::InternalLinkCount);
    s.generateCount = form.text(FormField::GenerateCount);
    s.intervalMinutes = form.text(FormField::Interval);
    const TextList items = form.comboItems();
    const int index = form.comboIndex();
    s.comboText = index >= 0 && index < static_cast<int>(items.size()) ? items[index] : Text();
    return s;
}

void newSite(SiteEditorContext& ctx, std::stop_token stop) {
    if (stop.stop_requested()) return;
    for (const FormField field :
         {FormField::Domain, FormField::Template, FormField::Title, FormField::Keywords,
          FormField::Description, FormField::Columns}) {
        ctx.form.setText(field, Text());
    }
    ctx.form.setIdentityLocked(false);
}

void saveSite(SiteEditorContext& ctx) {
    // One reading of the form: what is checked is exactly what gets written.
    const SiteSettings settings = readSettings(ctx.form);
    const Text refusal = saveRefusal(settings, ctx.form);
    if (!refusal.empty()) {
        ctx.log.show_prompt(refusal);
        ctx.form.setSaveEnabled(true);
        return;
    }
    if (file_exists(profilePath(ctx.runDir, settings.domain))) {
        updateProfile(ctx, settings);
        return;
    }
    // A new site: the IP address goes into the web server's configuration.
    if (!isUsableIpAddress(settings.ip)) {
        ctx.log.show_prompt(kBadIpPrompt);
        ctx.form.setSaveEnabled(true);
        return;
    }
    createSite(ctx, settings);
}

void updateProfile(SiteEditorContext& ctx) {
    updateProfile(ctx, readSettings(ctx.form));
}

void updateProfile(SiteEditorContext& ctx, const SiteSettings& settings) {
    writeProfile(ctx.runDir, settings);
    ctx.clock.wait_for(milliseconds(20), std::stop_token{});
    refreshSiteList(ctx);
    ctx.log.show_prompt(QM_GBK("修改成功"));
    ctx.form.setSaveEnabled(true);
}

void loadSite(SiteEditorContext& ctx, std::stop_token stop) {
    const Text name = siteNameAt(ctx.sites, ctx.form.selectedSiteRow());
    if (name.empty() || stop.stop_requested()) return;
    const SiteProfile profile = readProfile(ctx.runDir, name);
    if (!profile.isComplete()) {
        ctx.log.show_prompt(QM_GBK("配置数据不完整"));
        return;
    }
    if (stop.stop_requested()) return;

    SiteForm& form = ctx.form;
    for (int i = 0; i < 8; ++i) form.setText(kBasicFields[i], profile.field(i));
    const bool news = profile.flag(profile_key::kNews);
    form.setChecked(FormCheck::News, news);
    form.setChecked(FormCheck::CustomArticles, !news);
    form.setChecked(FormCheck::LongTail, profile.flag(profile_key::kLongTail));
    form.setChecked(FormCheck::InternalLinks, profile.flag(profile_key::kInternalLinks));
    form.setChecked(FormCheck::InsertKeywords, profile.flag(profile_key::kKeywordLinks));
    const std::pair<FormField, const Text*> values[] = {
        {FormField::InsertKeywordCount, &profile_key::kKeywordLinkCount},
        {FormField::CustomLibrary, &profile_key::kCustomFolder},
        {FormField::LongTailLibrary, &profile_key::kLongTailFolder},
        {FormField::LongTailCount, &profile_key::kLongTailCount},
        {FormField::InternalLinkCount, &profile_key::kInternalLinkCount},
        {FormField::GenerateCount, &profile_key::kGenerateCount},
    };
    for (const auto& [field, key] : values) form.setText(field, profile.profileValue(*key));
    const int item =
        firstItemBeginningWith(form.comboItems(), profile.profileValue(profile_key::kCombo));
    if (item >= 0) form.setComboIndex(item);
    form.setIdentityLocked(true);
}

void deleteSite(SiteEditorContext& ctx) {
    const int row = ctx.form.selectedSiteRow();
    const Text name = siteNameAt(ctx.sites, row);
    if (name.empty()) {
        ctx.log.show_prompt(QM_GBK("未选中网站"));
        return;
    }
    if (!ctx.binder.deleteWebSite(name)) {
        ctx.log.show_prompt(QM_GBK("删除失败"));
        return;
    }
    delete_file(profilePath(ctx.runDir, name));
    for (int r = 0; r < ctx.sites.rowCount(); ++r) {
        if (occurrences(ctx.sites.cell(r, 1), name) == 1) {
            ctx.sites.removeRow(r);
            break;
        }
    }
    delete_file(siteDatabasePath(ctx.runDir, name));
    ctx.log.show_prompt(QM_GBK("删除成功"));
    refreshSiteList(ctx);
}

void refreshSiteList(SiteEditorContext& ctx) {
    const int n = refreshSiteList(ctx.sites, ctx.runDir);
    // Deletions remove grid rows, so a grid can end up with fewer rows than there are
    // profile files; it then grows so that every site is listed (and run).
    if (n > ctx.sites.rowCount()) {
        ctx.sites.setRowCount(n);
        refreshSiteList(ctx.sites, ctx.runDir);
    }
}

void pickFolder(SiteForm& form, FormField target, const Text& chosenPath) {
    form.setText(target, chosenPath);
}

void modeBoxClicked(SiteForm& form, FormCheck clicked) {
    if (!form.checked(clicked)) return;
    if (clicked == FormCheck::CustomArticles) form.setChecked(FormCheck::News, false);
    if (clicked == FormCheck::News) form.setChecked(FormCheck::CustomArticles, false);
}

void categoryChanged(SiteForm& form, RunLogPort& log, int index) {
    if (index >= 2) {
        log.show_prompt(QM_GBK("当前只开放 新闻类 文章，其他类型文章即将开放"));
        const int news = firstItemBeginningWith(form.comboItems(), QM_GBK(" 热门新闻"));
        if (news >= 0) form.setComboIndex(news);
    }
    form.focusFunctionHeading();
}

}  // namespace qm
