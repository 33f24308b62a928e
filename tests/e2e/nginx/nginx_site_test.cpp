// End to end: a site created through the site editor is registered with a real nginx
// on 127.0.0.1, filled by one headless pass against the sample portal and served
// under its host header; deleting it through the editor makes nginx stop serving it.
//
// The test starts its own nginx (own prefix, configuration, pid file and logs; a
// default server answers 404 for unknown hosts) and its own portal, and stops both
// whatever the outcome. The administration tool is the shipped tools/iisweb, pointed
// at that nginx through its environment variables.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "engine/site_database.h"
#include "foundation/process_output.h"
#include "site/site_test_support.h"

extern char** environ;

namespace qm {
namespace {

using test::readText;
using test::writeText;

const std::string kBuildDir = QUILLMOOR_BUILD_DIR;
const std::string kNginx = QUILLMOOR_NGINX_PROGRAM;
const std::string kDomain = "e2e.quillmoor.test";

// Polls a condition a bounded number of times, 100 ms apart: the web server and the
// portal are other processes, whose readiness can only be observed.
template <typename Condition>
bool eventually(Condition condition, int attempts = 100) {
    for (int i = 0; i < attempts; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int freeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    close(fd);
    return port;
}

// A program running in the background with its standard output in a file; ended
// with SIGTERM and reaped when the object goes.
class Background {
  public:
    Background(const std::vector<std::string>& argv, const std::string& out) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Background() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;
    bool started() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
};

// nginx with its own prefix, listening on 127.0.0.1:port and including
// <prefix>/sites/*.conf. It runs in the foreground as a child of the test, so the
// test ends it (SIGTERM) and reaps it when the object goes, whatever the outcome.
class NginxInstance {
  public:
    NginxInstance(const std::string& prefix, int port) : prefix_(prefix) {
        for (const char* sub : {"conf", "logs", "sites", "temp"}) {
            std::filesystem::create_directories(prefix + "/" + sub);
        }
        writeText(conf(), "pid " + prefix +
                              "/nginx.pid;\n"
                              "error_log " +
                              prefix +
                              "/logs/error.log;\n"
                              "worker_processes 1;\n"
                              "events { worker_connections 64; }\n"
                              "http {\n"
                              "    types { text/html html htm; text/css css; }\n"
                              "    default_type application/octet-stream;\n"
                              "    access_log " +
                              prefix +
                              "/logs/access.log;\n"
                              "    client_body_temp_path " +
                              prefix +
                              "/temp/body;\n"
                              "    proxy_temp_path " +
                              prefix +
                              "/temp/proxy;\n"
                              "    fastcgi_temp_path " +
                              prefix +
                              "/temp/fastcgi;\n"
                              "    uwsgi_temp_path " +
                              prefix +
                              "/temp/uwsgi;\n"
                              "    scgi_temp_path " +
                              prefix +
                              "/temp/scgi;\n"
                              "    server {\n"
                              "        listen 127.0.0.1:" +
                              std::to_string(port) +
                              " default_server;\n"
                              "        server_name _;\n"
                              "        return 404;\n"
                              "    }\n"
                              "    include " +
                              prefix +
                              "/sites/*.conf;\n"
                              "}\n");
        // The pid file is written once the listening socket is open.
        process_ = std::make_unique<Background>(
            std::vector<std::string>{kNginx, "-p", prefix, "-c", conf(), "-g", "daemon off;"},
            prefix + "/logs/stdout");
        started_ =
            process_->started() && eventually([&] { return std::filesystem::exists(pidFile()); });
    }

    bool started() const { return started_; }
    std::string conf() const { return prefix_ + "/conf/nginx.conf"; }
    std::string pidFile() const { return prefix_ + "/nginx.pid"; }
    std::string sites() const { return prefix_ + "/sites"; }
    // The command prefix the tool's test and reload commands start with.
    std::string command() const { return kNginx + " -p " + prefix_ + " -c " + conf(); }

  private:
    std::string prefix_;
    std::unique_ptr<Background> process_;
    bool started_ = false;
};

struct Response {
    int status = 0;
    std::string body;
};

// GET http://127.0.0.1:<port><path> with the given Host header, through curl.
Response fetch(const std::string& dir, int port, const std::string& host, const std::string& path) {
    const std::string bodyFile = dir + "/body";
    const std::string codeFile = dir + "/code";
    std::filesystem::remove(bodyFile);
    launch_program_to_file(
        {"curl", "-s", "--noproxy", "*", "--max-time", "10", "-o", bodyFile, "-w", "%{http_code}",
         "-H", "Host: " + host, "http://127.0.0.1:" + std::to_string(port) + path},
        codeFile);
    return {std::atoi(readText(codeFile).c_str()), readText(bodyFile)};
}

class NginxSiteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kNginx)) GTEST_SKIP() << "nginx is not installed: " << kNginx;
        chmod(dir_.path().c_str(), 0755);  // nginx's workers may run as another user
    }

    test::TempDir dir_;
};

TEST_F(NginxSiteTest, ACreatedSiteIsServedUntilItIsDeleted) {
    const int port = freeLoopbackPort();
    ASSERT_GT(port, 0);
    NginxInstance nginx(dir_.sub("nginx"), port);
    ASSERT_TRUE(nginx.started()) << readText(dir_.sub("nginx/logs/error.log"));

    setenv("QUILLMOOR_IISWEB", (kBuildDir + "/tools/iisweb").c_str(), 1);
    setenv("QUILLMOOR_NGINX_SITES", nginx.sites().c_str(), 1);
    setenv("QUILLMOOR_NGINX_TEST", (nginx.command() + " -t -q").c_str(), 1);
    setenv("QUILLMOOR_NGINX_RELOAD", (nginx.command() + " -s reload").c_str(), 1);
    setenv("QUILLMOOR_NGINX_PORT", std::to_string(port).c_str(), 1);

    // A run directory with the shipped empty database and a small template set.
    const Text runDir = dir_.sub("run");
    const std::string db = "/数据库";
    std::filesystem::create_directories(runDir + db + "/list");
    std::filesystem::create_directories(runDir + db + "/pak");
    std::filesystem::copy_file(kBuildDir + db + "/pak/bak.mdb", runDir + db + "/pak/bak.mdb");
    const std::string set = runDir + "/模板/e2e";
    writeText(set + "/首页.htm",
              gbk("<html><head><title>{网站标题}</title></head><body>{最新文章}</body></html>"));
    writeText(set + "/栏目页.htm", gbk("<html><body>{当前栏目} {最新文章}</body></html>"));
    writeText(set + "/内容页.htm",
              gbk("<html><head><title>{文章标题}</title></head><body>{文章内容}</body></html>"));
    writeText(set + "/css/site.css", "body { margin: 0 }\n");
    const std::string install = dir_.sub("www");
    std::filesystem::create_directories(install);

    // Create the site through the editor, as the save button does.
    test::FakeForm form;
    form.fillBasic(kDomain, "127.0.0.1", install);
    form.fields[FormField::Template] = "e2e";
    form.fields[FormField::Title] = QM_GBK("端到端站点");
    form.fields[FormField::GenerateCount] = "3";
    SiteList sites;
    test::SequenceLog log;
    IisBinder binder = IisBinder::fromEnvironment(runDir);
    FakeClock clock;
    SiteEditorContext ctx{runDir, sites, form, log, binder, clock};
    saveSite(ctx);
    ASSERT_EQ(log.prompts(), std::vector<Text>{QM_GBK("恭喜你：网站配置成功")})
        << readText(dir_.sub("nginx/logs/error.log"));
    EXPECT_EQ(sites.cell(0, 1), kDomain);
    const std::string siteFolder = install + "/" + kDomain;
    EXPECT_EQ(readText(siteFolder + "/css/site.css"), "body { margin: 0 }\n");

    // One headless pass against the sample portal fills the site.
    const std::string portalOut = dir_.sub("portal.out");
    Background portal({kBuildDir + "/tools/sample_portal", "--port", "0", "--articles", "60"},
                      portalOut);
    ASSERT_TRUE(portal.started());
    ASSERT_TRUE(eventually([&] { return readText(portalOut).find('\n') != std::string::npos; }));
    const std::string portalPort = readText(portalOut).substr(std::string("listening on ").size());
    const int runStatus = launch_program_to_file(
        {kBuildDir + "/quillmoor", "--headless", "--run-dir", runDir, "--portal",
         "http://127.0.0.1:" + portalPort.substr(0, portalPort.find('\n')), "--interval", "0"},
        dir_.sub("pass.log"));
    ASSERT_EQ(runStatus, 0) << readText(dir_.sub("pass.log"));
    const std::string index = readText(siteFolder + "/index.html");
    ASSERT_FALSE(index.empty()) << readText(dir_.sub("pass.log"));
    std::string articleName;
    for (const auto& entry : std::filesystem::directory_iterator(siteFolder + "/html")) {
        articleName = entry.path().filename().string();
    }
    ASSERT_FALSE(articleName.empty()) << readText(dir_.sub("pass.log"));

    // nginx serves both pages under the site's host header, byte for byte.
    Response home;
    ASSERT_TRUE(eventually([&] {
        home = fetch(dir_.path(), port, kDomain, "/index.html");
        return home.status == 200;
    })) << home.status
        << "\n"
        << readText(dir_.sub("nginx/logs/error.log"));
    EXPECT_EQ(home.body, index);
    EXPECT_NE(home.body.find(QM_GBK("端到端站点")), std::string::npos);
    EXPECT_EQ(fetch(dir_.path(), port, kDomain, "/").body, index) << "index.html is the index";
    const Response article = fetch(dir_.path(), port, kDomain, "/html/" + articleName);
    EXPECT_EQ(article.status, 200);
    EXPECT_EQ(article.body, readText(siteFolder + "/html/" + articleName));
    EXPECT_EQ(fetch(dir_.path(), port, "other.test", "/index.html").status, 404)
        << "another host name does not reach the site";

    // The same domain without its profile is refused by the web server's side.
    std::filesystem::rename(runDir + db + "/list/" + kDomain + ".txt", dir_.sub("kept.txt"));
    form.fillBasic(kDomain, "127.0.0.1", install);
    log.events.clear();
    saveSite(ctx);
    EXPECT_EQ(log.prompts(), std::vector<Text>{QM_GBK("创建失败")});
    std::filesystem::rename(dir_.sub("kept.txt"), runDir + db + "/list/" + kDomain + ".txt");

    // Deleting the site through the editor: nginx stops serving it, the folder stays.
    refreshSiteList(ctx);
    form.selectedRow = 0;
    log.events.clear();
    deleteSite(ctx);
    EXPECT_EQ(log.prompts(), std::vector<Text>{QM_GBK("删除成功")});
    EXPECT_FALSE(std::filesystem::exists(nginx.sites() + "/quillmoor-" + kDomain + ".conf"));
    Response gone;
    EXPECT_TRUE(eventually([&] {
        gone = fetch(dir_.path(), port, kDomain, "/index.html");
        return gone.status == 404;
    })) << gone.status;
    EXPECT_TRUE(std::filesystem::exists(siteFolder + "/index.html"));
    EXPECT_FALSE(file_exists(siteDatabasePath(runDir, kDomain)));
    EXPECT_FALSE(file_exists(join_path(runDir, kToolOutputFile))) << "no tool output is left";
}

}  // namespace
}  // namespace qm
