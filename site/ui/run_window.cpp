#include "site/ui/run_window.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QFileInfo>

#include "foundation/gbk_codec.h"
#include "foundation/text_kit.h"
#include "site/ui/main_window.h"
#include "site/ui/pictures.h"
#include "site/ui/window_look.h"

namespace qm {

namespace {

struct WindowArguments {
    std::string runDir;  // UTF-8
    std::string portal;  // UTF-8
};

std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string withoutTrailingSlash(std::string text) {
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

// Reads --run-dir and --portal from what QApplication left of the command line.
bool parseArguments(const QStringList& args, WindowArguments& out, std::string& error) {
    out.runDir = fromEnvironment("QUILLMOOR_RUN_DIR");
    out.portal = fromEnvironment("QUILLMOOR_PORTAL");
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        std::string* target = nullptr;
        if (arg == QLatin1String("--run-dir")) {
            target = &out.runDir;
        } else if (arg == QLatin1String("--portal")) {
            target = &out.portal;
        } else {
            error = "unknown argument: " + arg.toStdString();
            return false;
        }
        if (i + 1 >= args.size()) {
            error = arg.toStdString() + " needs a value";
            return false;
        }
        *target = args[++i].toStdString();
    }
    if (out.runDir.empty()) out.runDir = gbk_to_utf8(run_directory());
    out.runDir = withoutTrailingSlash(out.runDir);
    out.portal = withoutTrailingSlash(out.portal);
    if (!QFileInfo(QString::fromStdString(out.runDir)).isDir()) {
        error = "run directory not found: " + out.runDir;
        return false;
    }
    return true;
}

}  // namespace

int runWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmoor"));
    QApplication::setWindowIcon(ui::programIcon());
    ui::applyWindowLook(app);

    WindowArguments args;
    std::string error;
    if (!parseArguments(QApplication::arguments(), args, error)) {
        std::fprintf(stderr, "quillmoor: %s\n", error.c_str());
        std::fputs("usage: quillmoor [--run-dir DIR] [--portal URL]\n", stderr);
        return 2;
    }

    ui::MainWindow::Options options;
    options.runDir = utf8_to_gbk(args.runDir);
    if (!args.portal.empty()) options.portalUrl = utf8_to_gbk(args.portal);
    ui::MainWindow window(std::move(options));
    window.show();
    return QApplication::exec();
}

}  // namespace qm
