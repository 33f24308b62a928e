// Files and folders of TextKit on a real temporary folder. Paths are GBK texts; the
// names on disk are UTF-8.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "foundation/gbk_codec.h"
#include "foundation/text_kit.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

const Text kZhongWen = "\xD6\xD0\xCE\xC4";  // 中文

class TextKitFileTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qm-textkit-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        base_ = text_path(root_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root_, ec);
    }

    Text path(const Text& name) const { return join_path(base_, name); }
    void touch(const std::string& native_name, const std::string& content = "x") const {
        std::ofstream(fs::path(root_) / native_name, std::ios::binary) << content;
    }

    std::string root_;
    Text base_;
};

TEST_F(TextKitFileTest, PathsConvertBetweenGbkAndUtf8) {
    EXPECT_EQ(native_path(kZhongWen), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(text_path("\xE4\xB8\xAD\xE6\x96\x87"), kZhongWen);
    EXPECT_EQ(text_path("a\xF0\x9F\x98\x80"), "a?");  // not in GBK
    EXPECT_EQ(join_path("a", "b"), "a/b");
    EXPECT_EQ(join_path("a/", "b"), "a/b");
    EXPECT_EQ(join_path("", "b"), "b");
    EXPECT_EQ(join_path("/", "b"), "/b");
}

TEST_F(TextKitFileTest, WriteReadCopyDelete) {
    const Text file = path(kZhongWen + ".txt");
    ASSERT_TRUE(write_file(file, {ByteArray("ab"), ByteArray(), ByteArray(std::string("\0c", 2))}));
    EXPECT_TRUE(fs::exists(fs::path(root_) / "\xE4\xB8\xAD\xE6\x96\x87.txt"));
    EXPECT_EQ(read_file(file).bytes, std::string("ab\0c", 4));
    EXPECT_EQ(file_size(file), 4);

    ASSERT_TRUE(write_file(file, ByteArray("z")));  // truncates
    EXPECT_EQ(read_file(file).bytes, "z");

    const Text copy = path("copy.txt");
    ASSERT_TRUE(write_file(copy, ByteArray("old content")));
    EXPECT_TRUE(copy_file(file, copy));  // overwrites
    EXPECT_EQ(read_file(copy).bytes, "z");
    EXPECT_FALSE(copy_file(path("missing"), copy));
    EXPECT_EQ(read_file(copy).bytes, "z");

    EXPECT_TRUE(delete_file(copy));
    EXPECT_FALSE(delete_file(copy));
    EXPECT_FALSE(file_exists(copy));
    EXPECT_EQ(file_size(copy), -1);

    EXPECT_FALSE(write_file("", ByteArray("a")));
    EXPECT_FALSE(write_file(path("no/such/folder.txt"), ByteArray("a")));
    EXPECT_TRUE(read_file("").empty());
    EXPECT_TRUE(read_file(path("missing")).empty());
    EXPECT_TRUE(read_file(base_).empty());  // a folder reads as empty
    EXPECT_FALSE(delete_file(base_));
}

TEST_F(TextKitFileTest, ReadFileTakesOnlyRegularFiles) {
    // A named pipe without a writer would block the open for ever; a device such as
    // /dev/zero would never end. Both read as empty, at once.
    const std::string fifo = (fs::path(root_) / "pipe.txt").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(read_file(path("pipe.txt")).empty());
    EXPECT_TRUE(read_file("/dev/zero").empty());
    // A link to a regular file is followed.
    touch("target.txt", "linked");
    fs::create_symlink(fs::path(root_) / "target.txt", fs::path(root_) / "link.txt");
    EXPECT_EQ(read_file(path("link.txt")).bytes, "linked");
}

TEST_F(TextKitFileTest, WriteFileWholeReplacesAtomicallyAndLeavesNoTemporary) {
    const Text file = path("page.html");
    ASSERT_TRUE(write_file_whole(file, ByteArray("first")));
    ASSERT_TRUE(write_file_whole(file, ByteArray("second")));
    EXPECT_EQ(read_file(file).bytes, "second");
    EXPECT_FALSE(write_file_whole(path("missing/page.html"), ByteArray("x")));
    EXPECT_FALSE(write_file_whole("", ByteArray("x")));

    // The file is readable by others as with a plain write (umask permitting).
    struct stat st {};
    ASSERT_EQ(stat(native_path(file).c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    // Renaming onto a folder fails: the temporary file must not stay behind.
    ASSERT_TRUE(make_directory(path("taken")));
    ASSERT_TRUE(write_file(path("taken/inside"), ByteArray("x")));
    EXPECT_FALSE(write_file_whole(path("taken"), ByteArray("x")));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"page.html", "taken"}));
}

TEST_F(TextKitFileTest, MakeDirectoryCreatesExactlyOneLevel) {
    EXPECT_TRUE(make_directory(path(kZhongWen)));
    EXPECT_TRUE(fs::is_directory(fs::path(root_) / "\xE4\xB8\xAD\xE6\x96\x87"));
    EXPECT_FALSE(make_directory(path(kZhongWen)));  // exists
    EXPECT_FALSE(make_directory(path("a/b")));      // parent missing
    EXPECT_FALSE(fs::exists(fs::path(root_) / "a"));
    EXPECT_FALSE(make_directory(""));
}

TEST_F(TextKitFileTest, ListFilesSkipsFoldersAndKeepsHiddenFiles) {
    touch("a.txt");
    fs::create_directory(fs::path(root_) / "b.txt");
    touch("c.dat");
    touch(".hidden.txt");
    touch("\xE4\xB8\xAD\xE6\x96\x87.txt");
    fs::create_symlink("a.txt", fs::path(root_) / "link.txt");
    fs::create_directory_symlink("b.txt", fs::path(root_) / "dirlink.txt");

    TextList bare = list_files(base_, "*.txt", false);
    std::sort(bare.begin(), bare.end());
    EXPECT_EQ(bare, (TextList{".hidden.txt", "a.txt", "link.txt", kZhongWen + ".txt"}));

    TextList full = list_files(base_, "a.*", true);
    EXPECT_EQ(full, (TextList{base_ + "/a.txt"}));
    EXPECT_EQ(list_files(base_ + "/", "a.*", true), (TextList{base_ + "/a.txt"}));
    EXPECT_EQ(list_files(base_, "?.dat", false), (TextList{"c.dat"}));
    EXPECT_EQ(list_files(base_, kZhongWen + "*", false), (TextList{kZhongWen + ".txt"}));
    EXPECT_TRUE(list_files(base_, "*.TXT", false).empty());
    EXPECT_TRUE(list_files(path("missing"), "*.txt", false).empty());
    EXPECT_TRUE(list_files("", "*.txt", false).empty());
}

TEST_F(TextKitFileTest, ListFilesTakesBracketsLiterally) {
    touch("[a].txt");
    touch("a.txt");
    EXPECT_EQ(list_files(base_, "[a].txt", false), (TextList{"[a].txt"}));
}

TEST_F(TextKitFileTest, ListFilesKeepsTheFolderOrder) {
    for (int i = 0; i < 20; ++i) touch("f" + std::to_string(i) + ".txt");
    TextList expected;
    for (const auto& entry : fs::directory_iterator(root_)) {
        expected.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(list_files(base_, "*", false), expected);
}

TEST_F(TextKitFileTest, FileExistsAndSizeWithWildcards) {
    touch("one.txt", "12345");
    fs::create_directory(fs::path(root_) / "sub");
    EXPECT_TRUE(file_exists(path("one.txt")));
    EXPECT_TRUE(file_exists(path("*.txt")));
    EXPECT_TRUE(file_exists(path("o?e.*")));
    EXPECT_TRUE(file_exists(path("su*")));  // folders match too
    EXPECT_TRUE(file_exists(path("sub")));
    EXPECT_FALSE(file_exists(path("*.dat")));
    EXPECT_FALSE(file_exists(""));
    EXPECT_EQ(file_size(path("*.txt")), 5);
    EXPECT_EQ(file_size(path("sub")), 0);
    EXPECT_EQ(file_size(path("*.dat")), -1);
    // "." and ".." are not matches of "*" in an empty folder.
    fs::create_directory(fs::path(root_) / "empty");
    EXPECT_FALSE(file_exists(path("empty/*")));
}

TEST_F(TextKitFileTest, RemoveDirectoryDeletesDepthFirst) {
    const Text top = path(kZhongWen);
    ASSERT_TRUE(make_directory(top));
    ASSERT_TRUE(make_directory(join_path(top, "images")));
    ASSERT_TRUE(make_directory(join_path(join_path(top, "images"), "deep")));
    ASSERT_TRUE(write_file(join_path(top, "index.html"), ByteArray("x")));
    ASSERT_TRUE(write_file(join_path(join_path(top, "images"), ".hidden"), ByteArray("x")));
    ASSERT_TRUE(
        write_file(join_path(join_path(join_path(top, "images"), "deep"), "a"), ByteArray("x")));
    EXPECT_TRUE(remove_directory("  " + top));  // leading spaces are skipped
    EXPECT_FALSE(file_exists(top));
    EXPECT_FALSE(remove_directory(top));  // gone
}

TEST_F(TextKitFileTest, RemoveDirectoryNeverFollowsSymbolicLinks) {
    // Outside the tree: a folder and a file that links inside it point to.
    fs::create_directory(fs::path(root_) / "keep");
    touch("keep/precious.txt");
    touch("keep.txt");
    fs::create_directory(fs::path(root_) / "site");
    fs::create_directory_symlink(fs::path(root_) / "keep", fs::path(root_) / "site" / "dirlink");
    fs::create_symlink(fs::path(root_) / "keep.txt", fs::path(root_) / "site" / "filelink");
    fs::create_symlink(fs::path(root_) / "nowhere", fs::path(root_) / "site" / "dangling");

    EXPECT_TRUE(remove_directory(path("site")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(root_) / "site")));
    EXPECT_TRUE(fs::exists(fs::path(root_) / "keep" / "precious.txt"));
    EXPECT_TRUE(fs::exists(fs::path(root_) / "keep.txt"));

    // A link given as the folder itself is refused, with or without a trailing "/".
    fs::create_directory_symlink(fs::path(root_) / "keep", fs::path(root_) / "toplink");
    EXPECT_FALSE(remove_directory(path("toplink")));
    EXPECT_FALSE(remove_directory(path("toplink/")));
    EXPECT_TRUE(fs::exists(fs::path(root_) / "keep" / "precious.txt"));
    EXPECT_TRUE(fs::is_symlink(fs::path(root_) / "toplink"));
}

TEST_F(TextKitFileTest, RemoveDirectoryRefusesRootsFilesAndDots) {
    EXPECT_FALSE(remove_directory(""));
    EXPECT_FALSE(remove_directory("   "));
    EXPECT_FALSE(remove_directory("/"));
    EXPECT_FALSE(remove_directory(" //"));
    EXPECT_FALSE(remove_directory("/."));
    EXPECT_TRUE(fs::exists("/proc/self"));  // nothing was touched
    touch("file.txt");
    EXPECT_FALSE(remove_directory(path("file.txt")));
    EXPECT_TRUE(fs::exists(fs::path(root_) / "file.txt"));
    fs::create_directory(fs::path(root_) / "d");
    touch("d/kept");
    EXPECT_FALSE(remove_directory(path("d/.")));
    EXPECT_FALSE(remove_directory(path("d/sub/..")));
    EXPECT_TRUE(fs::exists(fs::path(root_) / "d" / "kept"));
}

TEST_F(TextKitFileTest, RemoveDirectoryReportsAFolderItCannotEmpty) {
    if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    fs::create_directory(fs::path(root_) / "locked");
    fs::create_directory(fs::path(root_) / "locked" / "inner");
    touch("locked/inner/f");
    fs::permissions(fs::path(root_) / "locked" / "inner",
                    fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(remove_directory(path("locked")));
    EXPECT_TRUE(fs::exists(fs::path(root_) / "locked" / "inner" / "f"));
    fs::permissions(fs::path(root_) / "locked" / "inner", fs::perms::owner_all);
}

}  // namespace
}  // namespace qm
