// Shared pieces of the site tests: a temporary folder, a recording form, a log that
// keeps prompts and log lines in one sequence, and fake administration tools.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/gbk_literals.h"
#include "foundation/run_log.h"
#include "foundation/text_kit.h"
#include "site/site_form.h"

namespace qm::test {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillmoor-site-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // ASCII path, so it is the same text in GBK and on disk.
    const std::string& path() const { return path_; }
    std::string sub(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// File helpers on native (UTF-8) paths, independent of the code under test.
inline void writeText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeScript(const std::string& path, const std::string& body) {
    writeText(path, "#!/usr/bin/env bash\n" + body);
    chmod(path.c_str(), 0755);
}

// Splits the NUL-separated record a fake tool wrote with printf '%s\0'.
inline std::vector<std::string> splitNul(const std::string& bytes) {
    std::vector<std::string> parts;
    std::string current;
    for (const char c : bytes) {
        if (c == '\0') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return parts;
}

// A stand-in administration tool in folder: each run appends its arguments
// (NUL-separated, one run per "calls" line) and what it found on disk, then prints the
// reply file. probe paths are checked for existence at the moment the tool runs.
class FakeTool {
  public:
    explicit FakeTool(const std::string& folder, const std::vector<std::string>& probes = {})
        : folder_(folder) {
        std::string body = "cd '" + folder + "'\nprintf '%s\\0' \"$@\" > args\necho run >> calls\n";
        for (const std::string& probe : probes) {
            body += "[ -e '" + probe + "' ] && echo '" + probe + "' >> seen\n";
        }
        body += "cat reply 2>/dev/null\nexit 0\n";
        writeScript(path(), body);
    }
    std::string path() const { return folder_ + "/tool"; }
    void reply(const std::string& text) { writeText(folder_ + "/reply", text); }
    void succeedCreating() { reply("Metabase Path = W3SVC/1\n"); }
    void succeedDeleting() { reply("Server W3SVC/1 has been DELETED\n"); }
    int calls() const { return line_count(readText(folder_ + "/calls")); }
    std::vector<std::string> lastArgs() const { return splitNul(readText(folder_ + "/args")); }
    // The probe paths that existed while the tool ran.
    std::string seen() const { return readText(folder_ + "/seen"); }

  private:
    std::string folder_;
};

// Prompts and log lines in the order they happened ("prompt:" or "log:" + text).
class SequenceLog : public RunLogPort {
  public:
    void append_log(const Text& text) override {
        log_ += text;
        events.push_back("log:" + text);
    }
    void clear_log() override { log_.clear(); }
    Text read_log() override { return log_; }
    void show_prompt(const Text& text) override { events.push_back("prompt:" + text); }
    int show_message(const Text& text, int, const Text&) override {
        events.push_back("message:" + text);
        return kMbResultOk;
    }

    std::vector<Text> prompts() const {
        std::vector<Text> out;
        for (const Text& e : events) {
            if (e.rfind("prompt:", 0) == 0) out.push_back(e.substr(7));
        }
        return out;
    }

    std::vector<Text> events;

  private:
    Text log_;
};

// The settings form as a plain record, with the window's defaults.
class FakeForm : public SiteForm {
  public:
    FakeForm() {
        fields[FormField::InsertKeywordCount] = "1";
        fields[FormField::InternalLinkCount] = "2";
        fields[FormField::LongTailCount] = "3";
        fields[FormField::GenerateCount] = "20";
        fields[FormField::Interval] = "60";
        checks[FormCheck::News] = true;
        items = {QM_GBK(" 软件提供文章"), QM_GBK(" 热门新闻"), QM_GBK(" IT互联网"),
                 QM_GBK(" 游戏类"), QM_GBK(" 生活服务")};
    }

    void fillBasic(const Text& domain, const Text& ip = "127.0.0.1",
                   const Text& install = "/srv/www") {
        fields[FormField::Domain] = domain;
        fields[FormField::Ip] = ip;
        fields[FormField::InstallPath] = install;
        fields[FormField::Template] = "t1";
        fields[FormField::Title] = "T";
        fields[FormField::Keywords] = "K";
        fields[FormField::Description] = "D";
        fields[FormField::Columns] = "C1,C2";
    }

    Text text(FormField field) override { return fields[field]; }
    void setText(FormField field, const Text& value) override { fields[field] = value; }
    bool checked(FormCheck box) override { return checks[box]; }
    void setChecked(FormCheck box, bool on) override { checks[box] = on; }
    TextList comboItems() override { return items; }
    int comboIndex() override { return combo; }
    void setComboIndex(int index) override { combo = index; }
    void setIdentityLocked(bool on) override {
        locked = on;
        ++lockCalls;
    }
    void setSaveEnabled(bool on) override { saveEnabled = on; }
    int selectedSiteRow() override { return selectedRow; }
    void focusFunctionHeading() override { ++focusMoves; }

    std::map<FormField, Text> fields;
    std::map<FormCheck, bool> checks;
    TextList items;
    int combo = -1;
    bool locked = false;
    int lockCalls = 0;
    bool saveEnabled = false;
    int selectedRow = -1;
    int focusMoves = 0;
};

}  // namespace qm::test

#include "engine/site_list.h"
#include "engine/site_profile.h"
#include "foundation/clock.h"
#include "site/iis_binder.h"
#include "site/site_editor.h"

namespace qm::test {

// A run directory as the editor expects it: the profile folder, a stand-in empty
// database and one template set "t1"; and the install folder beside it.
inline void layOutRunDirectory(const Text& runDir, const Text& install) {
    const Text db = QM_GBK("数据库");
    make_directory(runDir);
    make_directory(join_path(runDir, db));
    make_directory(join_path(join_path(runDir, db), "list"));
    make_directory(join_path(join_path(runDir, db), "pak"));
    write_file(join_path(join_path(join_path(runDir, db), "pak"), "bak.mdb"),
               ByteArray("empty-db"));
    const Text templates = join_path(runDir, QM_GBK("模板"));
    make_directory(templates);
    make_directory(join_path(templates, "t1"));
    write_file(join_path(join_path(templates, "t1"), "index.htm"), ByteArray("<html>"));
    make_directory(install);
}

// A run directory with its profile folder, the empty database and one template set
// "t1", an install folder, the form, the grid, the log, a fake tool and a fake clock,
// wired into one editor context.
class EditorWorld {
  public:
    EditorWorld()
        : runDir(dir.sub("run")),
          install(dir.sub("www")),
          tool(dir.path(), {dir.sub("www/a.com"), dir.sub("run/数据库/a.com.mdb"),
                            dir.sub("run/数据库/list/a.com.txt")}),
          binder(tool.path(), dir.sub("displayMsg.txt")),
          ctx{runDir, sites, form, log, binder, clock} {
        layOutRunDirectory(runDir, install);
        form.fillBasic("a.com", "127.0.0.1", install);
        form.saveEnabled = false;  // the window disables it before a save starts
    }

    Text profileFile(const Text& domain) const { return profilePath(runDir, domain); }
    Text databaseFile(const Text& domain) const {
        return join_path(join_path(runDir, QM_GBK("数据库")), domain + ".mdb");
    }
    // A profile as the editor would write it for domain.
    void addProfile(const Text& domain) {
        SiteSettings s;
        s.domain = domain;
        s.ip = "127.0.0.1";
        s.installFolder = install;
        s.templateName = "t1";
        s.title = "T";
        s.keywords = "K";
        s.description = "D";
        s.columns = "C1";
        writeProfile(runDir, s);
    }

    TempDir dir;
    Text runDir;
    Text install;
    FakeTool tool;
    IisBinder binder;
    FakeForm form;
    SiteList sites;
    SequenceLog log;
    FakeClock clock;
    SiteEditorContext ctx;
};

}  // namespace qm::test
