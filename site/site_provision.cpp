#include "site/site_provision.h"

#include <filesystem>
#include <system_error>

#include "engine/gbk_literals.h"
#include "engine/site_list.h"

namespace qm {

namespace {

using std::chrono::milliseconds;

void waitMs(Clock& clock, int ms) {
    clock.wait_for(milliseconds(ms), std::stop_token{});
}

// The entries of one folder, split into plain files and sub-folders, each in the
// order the file system lists them. A symbolic link to a folder counts as a folder
// that is not descended into, so a link cycle cannot make the copy endless.
struct FolderEntries {
    TextList files;
    TextList folders;
    std::vector<bool> descend;
};

FolderEntries listEntries(const Text& folder) {
    namespace fs = std::filesystem;
    FolderEntries entries;
    std::error_code ec;
    fs::directory_iterator it(native_path(folder), ec);
    if (ec) return entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::directory_entry& entry = *it;
        const Text name = text_path(entry.path().filename().string());
        std::error_code typeEc;
        const bool isLink = entry.is_symlink(typeEc);
        if (entry.is_directory(typeEc)) {
            entries.folders.push_back(name);
            entries.descend.push_back(!isLink && name.front() != '.');
        } else if (entry.is_regular_file(typeEc)) {
            entries.files.push_back(name);
        }
    }
    return entries;
}

Text withSeparator(const Text& folder) {
    const Text sep(kPathSeparator);
    if (folder.size() >= sep.size() &&
        folder.compare(folder.size() - sep.size(), sep.size(), sep) == 0) {
        return folder;
    }
    return folder + sep;
}

}  // namespace

Text templateSetPath(const Text& runDir, const Text& templateName) {
    return join_path(join_path(runDir, QM_GBK("模板")), templateName);
}

Text siteFolderPath(const Text& installFolder, const Text& domain) {
    return join_path(installFolder, domain);
}

void createSite(SiteEditorContext& ctx) {
    createSite(ctx, readSettings(ctx.form));
}

void createSite(SiteEditorContext& ctx, const SiteSettings& settings) {
    const Text& domain = settings.domain;
    const Text siteFolder = siteFolderPath(settings.installFolder, domain);

    if (!ctx.binder.createWebSite(siteFolder, domain, domain, settings.ip, "80", true)) {
        ctx.log.show_prompt(QM_GBK("创建失败"));
    } else {
        ctx.log.append_log(QM_GBK("绑定IIS\r\n"));
        ctx.log.append_log(QM_GBK("创建网站路径\r\n"));
        copy_file(emptyDatabasePath(ctx.runDir), siteDatabasePath(ctx.runDir, domain));
        make_directory(siteFolder);
        waitMs(ctx.clock, 50);
        make_directory(join_path(siteFolder, "images"));
        make_directory(join_path(siteFolder, "html"));
        make_directory(join_path(siteFolder, "list"));
        waitMs(ctx.clock, 50);
        ctx.log.append_log(QM_GBK("复制模板文件\r\n"));
        copyFolderTree(templateSetPath(ctx.runDir, settings.templateName), siteFolder);
        waitMs(ctx.clock, 100);
        ctx.log.append_log(QM_GBK("保存配置\r\n"));
        writeProfile(ctx.runDir, settings);
        ctx.log.append_log(QM_GBK("恭喜你：网站配置成功\r\n"));
        ctx.log.show_prompt(QM_GBK("恭喜你：网站配置成功"));
        refreshSiteList(ctx);
        ctx.sites.appendRow();
        for (const FormField field : kBasicFields) ctx.form.setText(field, Text());
    }
    ctx.form.processEvents();
    ctx.form.setSaveEnabled(true);
}

void copyFolderTree(const Text& source, const Text& destination) {
    const Text from = withSeparator(source);
    const FolderEntries entries = listEntries(from);

    Text to = destination;
    if (entries.files.empty()) make_directory(to);
    for (const Text& name : entries.files) {
        make_directory(to);
        to = withSeparator(to);
        copy_file(from + name, to + name);
    }
    for (std::size_t i = 0; i < entries.folders.size(); ++i) {
        const Text& name = entries.folders[i];
        to = withSeparator(to);
        if (entries.descend[i]) copyFolderTree(from + name, to + name);
        make_directory(to + name);
    }
}

}  // namespace qm
