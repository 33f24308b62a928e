// Template sets on disk: finding, reading and decoding a template file.
#include "engine/gbk_literals.h"
#include "engine/page_files.h"
#include "engine/page_text.h"
#include "engine/text_cleanup.h"
#include "foundation/gbk_codec.h"

namespace qm {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

Text templatePath(const Text& runDir, const Text& templateName, const Text& fileName) {
    return join_path(join_path(join_path(runDir, QM_GBK("模板")), templateName), fileName);
}

LoadedTemplate decodeTemplate(const Text& fileText) {
    LoadedTemplate loaded;
    const bool bom = fileText.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0;
    const Text charset = text_between(fileText, "charset=", ">", 1, true);
    loaded.utf8 = bom || countOccurrences(charset, "utf") == 1;
    if (loaded.utf8) {
        // The byte-order mark has no GBK form; it would become a stray "?".
        loaded.text = utf8ToGbk(bom ? std::string_view(fileText).substr(kUtf8Bom.size())
                                    : std::string_view(fileText));
    } else {
        loaded.text = fileText;
    }
    loaded.parsed = std::make_shared<const ParsedTemplate>(parseTemplate(loaded.text));
    return loaded;
}

std::optional<LoadedTemplate> loadTemplate(const Text& runDir, const Text& templateName,
                                           const Text& fileName) {
    const Text path = templatePath(runDir, templateName, fileName);
    if (!pathExists(path)) return std::nullopt;
    // A folder or a named pipe under a template's name counts as no template.
    const std::optional<ByteArray> bytes = readRegularFile(path);
    if (!bytes) return std::nullopt;
    return decodeTemplate(to_text(*bytes));
}

TemplateSet loadTemplateSet(const Text& runDir, const Text& templateName) {
    TemplateSet set;
    set.home = loadTemplate(runDir, templateName, kHomeTemplate);
    set.column = loadTemplate(runDir, templateName, kColumnTemplate);
    set.article = loadTemplate(runDir, templateName, kArticleTemplate);
    return set;
}

ByteArray RenderedPage::fileBytes() const {
    return ByteArray(utf8 ? gbk_to_utf8(text) : text);
}

}  // namespace qm
