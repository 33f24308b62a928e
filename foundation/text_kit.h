// TextKit: the primitives through which every module handles GBK texts, numbers,
// byte arrays, files, folders, time and pseudo-random numbers.
//
// A Text is a GBK byte string (std::string, bytes taken as unsigned). Positions are
// 1-based byte positions; a failed search gives -1. A byte of 0x80 or above is a lead
// byte and forms one character with the byte after it; operations marked
// character-aware step over both bytes together, the others work on bytes.
//
// Paths are GBK texts too. They are converted to UTF-8 where they reach the file
// system (native_path), so names on disk are UTF-8. The separator is kPathSeparator.
//
// No operation throws or reports errors: bad input gives the documented empty value
// (empty text, -1, false, 0, empty byte array, empty list). Every function may be
// called from any thread; the only shared state is the seeding counter of seed_random.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

using Text = std::string;
using TextList = std::vector<Text>;

// A length plus that many bytes, NUL bytes allowed (file contents, HTTP bodies).
struct ByteArray {
    std::string bytes;

    ByteArray() = default;
    explicit ByteArray(std::string b) : bytes(std::move(b)) {}
    std::size_t size() const { return bytes.size(); }
    bool empty() const { return bytes.empty(); }
    bool operator==(const ByteArray&) const = default;
};

// The platform's path separator, used wherever a path is built or shown.
inline constexpr std::string_view kPathSeparator = "/";

// ---- texts ---------------------------------------------------------------------

int byte_length(const Text& text);
Text left_text(const Text& text, int n);
Text right_text(const Text& text, int n);
Text mid_text(const Text& text, int start, int n);
// Character-aware search; 1-based position or -1. The scan starts at start (taken as
// a character boundary) and only reports matches that begin on a boundary.
int find_text(const Text& text, const Text& sub, int start = 1, bool ignore_case = false);
// Character-aware replacement. count < 0 means all. Note the default: case is ignored
// unless case_sensitive is true. A one-byte find drops a lead byte that is the last
// byte of the text when the scan reaches it (an incomplete character).
Text replace_text(const Text& text, const Text& find, const Text& replacement = "", int start = 1,
                  int count = -1, bool case_sensitive = false);
// Character-aware, exact split; a trailing empty part is dropped.
TextList split_text(const Text& text, const Text& delimiter);
// Only the ASCII space and the full-width space (A1 A1) count as spaces.
Text trim_text(const Text& text);
Text remove_spaces(const Text& text);
// The stretch between the first left marker at or after start and the next right
// marker; "#引号" in either marker stands for a double quote.
Text text_between(const Text& text, const Text& left, const Text& right, int start = 1,
                  bool ignore_case = false);
Text space_text(int n);
Text char_text(int code);  // the low byte of code as a one-byte text; 0 gives ""
int line_count(const Text& text);

// ---- conversions and arithmetic ------------------------------------------------

Text to_text(int value);
// "%.13g" in any locale, three exponent digits: 1e15 gives "1e+015". -0 gives "0";
// NaN and infinities give "nan", "inf" and "-inf".
Text to_text(double value);
Text to_text(bool value);              // "真" / "假"
Text to_text(const ByteArray& bytes);  // the bytes before the first NUL
Text to_text(const char*) = delete;    // would silently pick the bool overload
// Full-width digits and signs are normalised. Values beyond the int range saturate
// at INT_MIN / INT_MAX; so does to_int(double), which gives 0 for NaN.
int to_int(const Text& text);
int to_int(double value);  // truncated toward zero
double to_number(const Text& text);
ByteArray to_bytes(const Text& text);
ByteArray zero_bytes(int n);
double round_number(double x, int digits = 0);  // half away from zero; never gives -0
// A zero divisor gives 0 (there is no quotient; callers never pass one).
double int_divide(double a, double b);
double modulo(double a, double b);
double abs_number(double x);

// ---- files and folders ---------------------------------------------------------

// The GBK path as the file system takes it (UTF-8 bytes).
std::string native_path(const Text& path);
// The UTF-8 file-system name back as a GBK text (unencodable characters become "?").
Text text_path(const std::string& native);
// a + kPathSeparator + b; the one place paths are joined. No separator is doubled
// when a already ends with one, and an empty a gives b (never a path from the root).
Text join_path(const Text& a, const Text& b);

// The folder of the running executable, no trailing separator; the environment
// variable QUILLMOOR_RUN_DIR overrides it when set and not empty.
Text run_directory();
bool make_directory(const Text& path);  // exactly one level; false when it exists
// Deletes the folder and everything in it, depth first. Refuses "", "/", paths ending
// in "." or "..", and anything not a folder (a file, a symbolic link). Symbolic links
// inside are removed themselves, never followed.
bool remove_directory(const Text& path);
bool copy_file(const Text& source, const Text& target);
bool delete_file(const Text& path);
bool file_exists(const Text& path);  // wildcards "*" and "?" in the last component
// Of the first match, low 32 bits; 0 for a folder; -1 when nothing matches.
int file_size(const Text& path);
ByteArray read_file(const Text& path);
// Creates or truncates path and writes each part in order; false on any failure.
bool write_file(const Text& path, std::initializer_list<ByteArray> parts);
bool write_file(const Text& path, const ByteArray& data);
// Writes to a temporary file in the same folder and renames it over path, so readers
// never see a half-written file.
bool write_file_whole(const Text& path, const ByteArray& data);
// Files (never folders) of folder matching pattern, in the file system's order.
// Only "*" and "?" are wildcards, matched against the UTF-8 names, case-sensitively.
// Names come back as GBK texts (text_path); an empty folder gives an empty list.
TextList list_files(const Text& folder, const Text& pattern, bool with_folder);

// ---- time, randomness, threads ---------------------------------------------------

double current_time();  // OLE date in local time, whole seconds
double date_part(double when);
int tick_count();  // milliseconds since boot, wrapping
void sleep_ms(int ms);
void process_events();  // nothing to pump in the engine; kept for call sites
void seed_random();
int random_int(int min = 0, int max = 2147483647);
void init_components();
void release_components();

// ---- processes and the system ----------------------------------------------------

// Starts argv[0] (searched on PATH when it has no "/") with the given arguments,
// through posix_spawn, never a shell. The arguments are passed as they are (native
// bytes: convert GBK paths with native_path). With wait, returns once the process has
// ended; otherwise when it has ended or after at most 1000 ms (a process still running
// then is reaped in the background). False when the process cannot be started.
bool launch_program(const std::vector<std::string>& argv, bool wait = false);
// The variable's value converted from UTF-8 to GBK; empty when it is not set.
Text get_env(const Text& name);

}  // namespace qm
