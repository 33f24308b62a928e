// Site provisioning: what saving a new domain does. createSite registers the site
// with the web server through the binder and, only when that succeeded, copies the
// empty database to <run dir>/数据库/<domain>.mdb, creates the site folder
// <install folder>/<domain> with images, html and list, copies the template set
// <run dir>/模板/<template> into it, writes the profile, reports success, refreshes
// the grid and clears the basic fields.
//
// createSite runs on the save worker (see site/site_editor.h) and blocks while the
// administration tool runs. copyFolderTree is a plain recursive copy usable from any
// thread.
#pragma once

#include "engine/site_database.h"
#include "site/site_editor.h"

namespace qm {

// The paths createSite works with, beside emptyDatabasePath and siteDatabasePath of
// engine/site_database.h.
Text templateSetPath(const Text& runDir, const Text& templateName);  // 模板/<name>
Text siteFolderPath(const Text& installFolder, const Text& domain);  // <install>/<domain>

// Creates the site of the form's domain; "恭喜你：网站配置成功" or "创建失败". Enables
// the save button at the end on both paths.
void createSite(SiteEditorContext& ctx);
// The same for settings the caller has already read (and checked) from the form, so
// the site is created exactly from what was validated.
void createSite(SiteEditorContext& ctx, const SiteSettings& settings);

// Copies every file of source into destination and descends into its sub-folders;
// a sub-folder whose name begins with "." is created empty. Folders are made one level
// at a time (destination's parent must exist); existing files are replaced.
void copyFolderTree(const Text& source, const Text& destination);

}  // namespace qm
