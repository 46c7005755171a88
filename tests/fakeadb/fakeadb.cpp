// A stand-in for adb that the tests put in the application's resource folder.
//
// It accepts exactly the argument lists the application uses:
//   devices | shell ls data/app/ | install [-r [-d] [-t]] <path> | shell rm data/app/<entry>
//   | shell pm list packages -f -3 | shell pm uninstall [-k] <one package name>
//   | root | wait-for-device
//   | shell getprop | shell wm density | install-multiple -r [-d] [-t] <path>...
//   | push <local> <remote>
//   | shell pm path <one word> | shell dumpsys package <one word>
//   | shell stat -c '%s %n' <path>... (kind stat) | shell stat -c '%s %A %n' <one word> (kind
//   obb: the expansion files) | pull <remote> <local>
//   | shell dumpsys package (kind dumpsys-all) | shell pm install-abandon <id> | shell df /data
//   | shell rm '<path in /data/local/tmp/ or /sdcard/Android/obb/>'... </dev/null
//   | shell getprop ro.build.version.sdk
//   | shell pm list packages <options> [--user 0], options one of: -f -3 | -d -3 | -f | -f -u
//     | -d | -s
//   | shell pm uninstall -k --user 0 <pkg> | shell pm disable-user [--user 0] <pkg>
//   | shell pm enable [--user 0] <pkg> | shell cmd package install-existing --user 0 <pkg>
//   | shell pm install -r --user 0 <path>
//   | shell cmd package resolve-activity --brief -a android.intent.action.MAIN
//     -c android.intent.category.HOME | shell settings get secure default_input_method
//   | shell dumpsys package packages (kind dumpsys-packages)
//   | exec-out "dd if=<path> bs=4096 skip=K count=N 2>/dev/null[; dd ...]"
// and anything else is refused on standard error with exit status 2. Each call is recorded in
// $FAKEADB_DIR/calls/<sequence> as "+<ANDROID_SERIAL>" or "-" (unset), a LF, then the arguments,
// each ended by a NUL byte, then, for an install whose path is a symbolic link, the link's target,
// and for install-multiple and push, a line "<file name> <size> <FNV-1a 64 hash in hex>" for each
// local file (what the application made may be gone by the time a test looks).
//
// What a call prints comes from $FAKEADB_DIR: <kind>.<n>.out for the n-th call of that kind, else
// <kind>.out, else nothing (kinds: devices, ls, install, rm, pm-list, pm-uninstall, root,
// wait-for-device, getprop, wm, install-multiple, push, pm-path, dumpsys, stat, obb, pull,
// dumpsys-all, install-abandon, df, rm-copies; and getprop-sdk, pm-list-d3 (-d -3), pm-list-all
// (-f), pm-list-u (-f -u), pm-list-d (-d), pm-list-s (-s), pm-disable, pm-enable,
// install-existing, pm-install, resolve-activity, settings-ime); what it prints on standard error,
// first, from <kind>.<n>.err or <kind>.err the same way. How it prints comes from key=value lines
// in all.opts, then <kind>.opts, then <kind>.<n>.opts (later ones win):
//   lines=N      print N generated package file names (for pm-list, package lines) instead of
//                an .out file
//   chunk=B      write the output in pieces of B bytes ...
//   pause_ms=T   ... with a pause of T ms between them
//   stall_ms=T   wait T ms before printing anything
//   hang=1       print what standard error has, then never answer and never exit (an adb server
//                that took the connection and went silent)
//   flood=B      print B bytes of filler lines (255 'x' and a LF each) before the output
//   crlf=1       end lines with CR LF
//   stderr=TEXT  print TEXT and a LF on standard error
//   stderr_flood=B  print B bytes of the same filler lines on standard error, before the rest
//   crash=1      abort() after printing (a crash that leaves no clean exit)
//   linger_ms=T  close standard output, then keep running for T ms
//   orphan_ms=T  leave a child behind that holds standard output open for T ms after we exit
//   exit=N       exit status
//   read_chunk=B     install, install-multiple: read each local file, in order, B bytes at a time
//                    as adb does, before printing anything ...
//   read_pause_ms=T  ... with a pause of T ms after each piece; install keeps its file open until
//                    it exits, install-multiple closes each file once read, as adb 29 does
//   data_bytes=N pull: the bytes it writes into the local file are N generated ones; else those of
//                pull.<n>.data or pull.data; with neither it leaves the local file alone. They are
//                written before anything is printed, in pieces of `chunk` with `pause_ms` between
// The kinds dumpsys-packages, stat and exec-out take options as the others do (exec-out no .out file). Files
// of the device are served from $FAKEADB_DIR/apks/<the device path, each / made _>: stat without
// a stat.out prints "<size> <path>" for each such file, and exec-out prints the blocks of them that
// its dd commands name (a file that is not there prints nothing), and adds a line with how many
// bytes it served to $FAKEADB_DIR/apk-bytes.
// Without $FAKEADB_DIR it checks and records nothing and prints nothing.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Options = std::map<std::string, std::string>;

// Where the paths of an install start: after "-r" and then "-d" and "-t", each at most once and in
// this order. 0 for an install without "-r" that has other options.
size_t installPaths(const std::vector<std::string> &args)
{
    if (args.size() < 2 || args[1] != "-r")
        return args.size() >= 2 && args[1][0] != '-' ? 1 : 0;
    size_t at = 2;
    for (const char *option : {"-d", "-t"}) {
        if (at < args.size() && args[at] == option)
            ++at;
    }
    return at;
}

// shell rm '<copy>'... </dev/null: what an install leaves on the device, each path quoted.
bool removesCopies(const std::vector<std::string> &args)
{
    if (args.size() < 4 || args[0] != "shell" || args[1] != "rm" || args.back() != "</dev/null")
        return false;
    for (size_t i = 2; i + 1 < args.size(); ++i) {
        const std::string &path = args[i];
        const bool quoted = path.size() > 2 && path.front() == '\'' && path.back() == '\'';
        if (!quoted || (path.compare(1, 16, "/data/local/tmp/") != 0 &&
                        path.compare(1, 20, "/sdcard/Android/obb/") != 0))
            return false;
    }
    return true;
}

bool isWord(const std::string &word)
{
    return !word.empty() && word[0] != '-';
}

// The package listings of the Apps view, with or without "--user 0" at the end.
std::string listingKind(std::vector<std::string> args)
{
    const std::vector<std::string> list{"shell", "pm", "list", "packages"};
    if (args.size() < 5 || !std::equal(list.begin(), list.end(), args.begin()))
        return {};
    if (args.size() > 6 && args[args.size() - 2] == "--user" && args.back() == "0")
        args.resize(args.size() - 2);
    const std::vector<std::string> options(args.begin() + 4, args.end());
    const std::map<std::vector<std::string>, std::string> kinds{
        {{"-f", "-3"}, "pm-list"},   {{"-d", "-3"}, "pm-list-d3"}, {{"-f"}, "pm-list-all"},
        {{"-f", "-u"}, "pm-list-u"}, {{"-d"}, "pm-list-d"},        {{"-s"}, "pm-list-s"}};
    const auto kind = kinds.find(options);
    return kind == kinds.end() ? std::string() : kind->second;
}

// One action on one package (the last word), and the two questions about the device's roles.
std::string actionKind(const std::vector<std::string> &args)
{
    using Words = std::vector<std::string>;
    const Words head(args.begin(), args.end() - (args.empty() ? 0 : 1));
    if (args.size() < 3 || !isWord(args.back()))
        return {};
    const std::map<Words, std::string> kinds{
        {{"shell", "pm", "uninstall", "-k", "--user", "0"}, "pm-uninstall"},
        {{"shell", "pm", "disable-user", "--user", "0"}, "pm-disable"},
        {{"shell", "pm", "disable-user"}, "pm-disable"},
        {{"shell", "pm", "enable", "--user", "0"}, "pm-enable"},
        {{"shell", "pm", "enable"}, "pm-enable"},
        {{"shell", "cmd", "package", "install-existing", "--user", "0"}, "install-existing"},
        {{"shell", "pm", "install", "-r", "--user", "0"}, "pm-install"},
        {{"shell", "getprop"}, "getprop-sdk"},
        {{"shell", "cmd", "package", "resolve-activity", "--brief", "-a",
          "android.intent.action.MAIN", "-c"},
         "resolve-activity"},
        {{"shell", "settings", "get", "secure"}, "settings-ime"}};
    const auto kind = kinds.find(head);
    if (kind == kinds.end())
        return {};
    if (kind->second == "getprop-sdk" && args.back() != "ro.build.version.sdk")
        return {};
    if (kind->second == "resolve-activity" && args.back() != "android.intent.category.HOME")
        return {};
    if (kind->second == "settings-ime" && args.back() != "default_input_method")
        return {};
    return kind->second;
}

std::string kindOf(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string app = "data/app/";
    if (args == std::vector<std::string>{"devices"})
        return "devices";
    if (args == std::vector<std::string>{"shell", "ls", app})
        return "ls";
    if (!args.empty() && args[0] == "install" && installPaths(args) > 0 &&
        installPaths(args) + 1 == args.size())
        return "install";
    if (!args.empty() && args[0] == "install-multiple" && installPaths(args) >= 2 &&
        installPaths(args) < args.size())
        return "install-multiple";
    if (args == std::vector<std::string>{"shell", "getprop"})
        return "getprop";
    if (args == std::vector<std::string>{"shell", "wm", "density"})
        return "wm";
    if (args == std::vector<std::string>{"shell", "dumpsys", "package", "packages"})
        return "dumpsys-packages";
    if (args.size() == 2 && args[0] == "exec-out")
        return "exec-out";
    if (args.size() == 3 && args[0] == "push")
        return "push";
    if (args.size() == 3 && args[0] == "pull")
        return "pull";
    if (args.size() == 4 && args[0] == "shell" && args[1] == "pm" && args[2] == "path")
        return "pm-path";
    if (args.size() == 4 && args[0] == "shell" && args[1] == "dumpsys" && args[2] == "package")
        return "dumpsys";
    if (args.size() >= 5 && args[0] == "shell" && args[1] == "stat" && args[2] == "-c")
        return args[3] == "'%s %n'" ? "stat"
                                    : (args[3] == "'%s %A %n'" && args.size() == 5 ? "obb" : "");
    if (args.size() == 3 && args[0] == "shell" && args[1] == "rm" &&
        args[2].compare(0, app.size(), app) == 0 && args[2].size() > app.size())
        return "rm";
    if (args == std::vector<std::string>{"root"} ||
        args == std::vector<std::string>{"wait-for-device"})
        return args[0];
    if (args == std::vector<std::string>{"shell", "pm", "list", "packages", "-f", "-3"})
        return "pm-list";
    if (args == std::vector<std::string>{"shell", "dumpsys", "package"})
        return "dumpsys-all";
    if (args == std::vector<std::string>{"shell", "df", "/data"})
        return "df";
    if (args.size() == 4 && args[0] == "shell" && args[1] == "pm" && args[2] == "install-abandon" &&
        args[3].find_first_not_of("0123456789") == std::string::npos && !args[3].empty())
        return "install-abandon";
    if (removesCopies(args))
        return "rm-copies";
    if (const std::string listing = listingKind(args); !listing.empty())
        return listing;
    // Exactly one word after the options: any further word would be a split name to remove.
    const bool keep = args.size() == 5 && args[3] == "-k";
    if ((args.size() == 4 || keep) && args[0] == "shell" && args[1] == "pm" &&
        args[2] == "uninstall" && !args.back().empty() && args.back()[0] != '-')
        return "pm-uninstall";
    return actionKind(args);
}

bool readFile(const std::string &path, std::string &content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return true;
}

// Claims the first free name "<prefix><n>" and gives n; safe when several calls race.
int claim(const std::string &prefix, const std::string &content)
{
    for (int n = 1;; ++n) {
        const std::string path = prefix + std::to_string(n);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return n;
        if (::write(fd, content.data(), content.size()) < 0) {
            // Nothing useful to do: the record is only for the tests to read.
        }
        ::close(fd);
        return n;
    }
}

std::string linkTarget(const char *path)
{
    char target[4096];
    const ssize_t size = ::readlink(path, target, sizeof target);
    return size > 0 ? std::string(target, static_cast<size_t>(size)) : std::string();
}

// "<name> <size> <hash>\n" of a local file, so a test can tell exactly which files it was given.
std::string fileFacts(const std::string &path)
{
    std::string content;
    readFile(path, content);
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : content)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    const std::string name = path.substr(path.find_last_of('/') + 1);
    return name + " " + std::to_string(content.size()) + " " + hex + "\n";
}

void record(const std::string &dir, const std::string &kind, int argc, char **argv)
{
    const char *serial = std::getenv("ANDROID_SERIAL");
    std::string entry = serial ? std::string("+") + serial : std::string("-");
    entry += '\n';
    for (int i = 1; i < argc; ++i) {
        entry += argv[i];
        entry += '\0';
    }
    if (kind == "install")
        entry += linkTarget(argv[argc - 1]);
    if (kind == "install-multiple") {
        const std::vector<std::string> args(argv + 1, argv + argc);
        for (size_t i = installPaths(args); i < args.size(); ++i)
            entry += fileFacts(args[i]);
    }
    if (kind == "push")
        entry += fileFacts(argv[2]);
    ::mkdir((dir + "/calls").c_str(), 0755);
    claim(dir + "/calls/", entry);
}

void readOptions(const std::string &path, Options &options)
{
    std::string text;
    if (!readFile(path, text))
        return;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            options[line.substr(0, eq)] = line.substr(eq + 1);
    }
}

long number(const Options &options, const std::string &key)
{
    const auto it = options.find(key);
    return it == options.end() ? 0 : std::atol(it->second.c_str());
}

void sleepMs(long ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string generatedListing(long count)
{
    std::string out;
    out.reserve(static_cast<size_t>(count) * 40);
    for (long i = 0; i < count; ++i)
        out +=
            "com.example.package" + std::to_string(i) + "-" + std::to_string(i % 7 + 1) + ".apk\n";
    return out;
}

// Lines as Android 11 and later print them, with '=' and '-' inside the path.
std::string generatedPackages(long count)
{
    std::string out;
    out.reserve(static_cast<size_t>(count) * 100);
    for (long i = 0; i < count; ++i) {
        const std::string name = "com.example.package" + std::to_string(i);
        out += "package:/data/app/~~x" + std::to_string(i % 97) + "-Ab_cD==/" + name + "-Zy_x9-" +
               std::to_string(i % 7) + "==/base.apk=" + name + "\n";
    }
    return out;
}

std::string filler(size_t bytes)
{
    std::string line(255, 'x');
    line += '\n';
    std::string out;
    out.reserve(bytes);
    while (out.size() + line.size() <= bytes)
        out += line;
    return out;
}

std::string withCrLf(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

void writeAll(const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            std::exit(3);
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void print(const std::string &out, const Options &options)
{
    const auto chunk = static_cast<size_t>(number(options, "chunk"));
    if (chunk == 0) {
        writeAll(out.data(), out.size());
        return;
    }
    for (size_t at = 0; at < out.size(); at += chunk) {
        if (at > 0)
            sleepMs(number(options, "pause_ms"));
        writeAll(out.data() + at, std::min(chunk, out.size() - at));
    }
}

// Reads the install's local files as adb does, slowly, so that a test can watch the offset of the
// descriptor rise. Gives the descriptor that stays open (install), or -1.
int readSlowly(const std::string &kind, int argc, char **argv, const Options &options)
{
    const auto chunk = static_cast<size_t>(number(options, "read_chunk"));
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (chunk == 0 || (kind != "install" && kind != "install-multiple"))
        return -1;
    std::vector<char> buffer(chunk);
    int open = -1;
    for (size_t i = installPaths(args); i < args.size(); ++i) {
        open = ::open(args[i].c_str(), O_RDONLY | O_CLOEXEC);
        while (open >= 0 && ::read(open, buffer.data(), chunk) > 0)
            sleepMs(number(options, "read_pause_ms"));
        if (open >= 0 && kind == "install-multiple") {
            ::close(open);
            open = -1;
        }
    }
    return open;
}

// pull: writes the call's data into the local file, as adb does while it copies.
void pullData(const std::string &dir, const std::string &n, const char *local,
              const Options &options)
{
    std::string data;
    if (const long bytes = number(options, "data_bytes"); bytes > 0)
        data.assign(static_cast<size_t>(bytes), 'a');
    else if (!readFile(dir + "/pull." + n + ".data", data) && !readFile(dir + "/pull.data", data))
        return;
    const int fd = ::open(local, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        std::exit(4);
    const auto chunk = static_cast<size_t>(number(options, "chunk"));
    for (size_t at = 0; at < data.size();) {
        const size_t piece = chunk == 0 ? data.size() - at : std::min(chunk, data.size() - at);
        if (::write(fd, data.data() + at, piece) != static_cast<ssize_t>(piece))
            std::exit(4);
        at += piece;
        if (at < data.size())
            sleepMs(number(options, "pause_ms"));
    }
    ::close(fd);
}

// A word as the device's shell reads it: bare, or in single quotes with '\'' for a quote.
std::string unquoted(const std::string &word)
{
    std::string out;
    bool quoted = false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '\'') {
            quoted = !quoted;
        } else if (word[i] == '\\' && !quoted && i + 1 < word.size()) {
            out += word[++i];
        } else {
            out += word[i];
        }
    }
    return out;
}

std::string deviceFile(const std::string &dir, std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '_';
    return dir + "/apks/" + path;
}

std::string statOutput(const std::string &dir, int argc, char **argv)
{
    std::string out;
    for (int i = 5; i < argc; ++i) {
        const std::string path = unquoted(argv[i]);
        struct stat info;
        if (::stat(deviceFile(dir, path).c_str(), &info) == 0)
            out += std::to_string(info.st_size) + " " + path + "\n";
    }
    return out;
}

// The bytes of one "dd if=<path> bs=4096 skip=K count=N 2>/dev/null"; false when it is not one.
bool servedBlocks(const std::string &dir, const std::string &command, std::string &out)
{
    const std::string start = "dd if=";
    const std::string end = " 2>/dev/null";
    const size_t options = command.rfind(" bs=4096 skip=");
    if (command.compare(0, start.size(), start) != 0 || options == std::string::npos ||
        command.size() < end.size() ||
        command.compare(command.size() - end.size(), end.size(), end) != 0)
        return false;
    const std::string path = unquoted(command.substr(start.size(), options - start.size()));
    long skip = -1;
    long count = -1;
    if (std::sscanf(command.c_str() + options, " bs=4096 skip=%ld count=%ld", &skip, &count) != 2 ||
        skip < 0 || count < 0)
        return false;
    std::string content;
    if (!readFile(deviceFile(dir, path), content))
        return true;
    const size_t from = std::min(content.size(), static_cast<size_t>(skip) * 4096);
    out += content.substr(from, static_cast<size_t>(count) * 4096);
    return true;
}

// What an exec-out of dd commands joined by "; " prints; false for any other command.
bool execOutput(const std::string &dir, const std::string &commands, std::string &out)
{
    size_t at = 0;
    while (at <= commands.size()) {
        const size_t next = std::min(commands.find("; ", at), commands.size());
        if (!servedBlocks(dir, commands.substr(at, next - at), out))
            return false;
        at = next + 2;
    }
    std::ofstream(dir + "/apk-bytes", std::ios::app) << out.size() << "\n";
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string kind = kindOf(argc, argv);
    const char *dirEnv = std::getenv("FAKEADB_DIR");
    if (kind.empty()) {
        std::fprintf(stderr, "fakeadb: unexpected arguments\n");
        return 2;
    }
    if (!dirEnv)
        return 0;
    const std::string dir = dirEnv;
    record(dir, kind, argc, argv);
    ::mkdir((dir + "/counters").c_str(), 0755);
    const std::string n = std::to_string(claim(dir + "/counters/" + kind + ".", {}));

    Options options;
    for (const std::string &name : {std::string("all"), kind, kind + "." + n})
        readOptions(dir + "/" + name + ".opts", options);

    std::string out;
    if (kind == "exec-out" && !execOutput(dir, argv[2], out)) {
        std::fprintf(stderr, "fakeadb: unexpected exec-out command\n");
        return 2;
    }
    if (kind == "stat" && !readFile(dir + "/stat.out", out))
        out = statOutput(dir, argc, argv);
    if (kind == "exec-out" || kind == "stat") {
        // Served from the device's files above.
    } else if (number(options, "lines") > 0)
        out = kind == "pm-list" ? generatedPackages(number(options, "lines"))
                                : generatedListing(number(options, "lines"));
    else if (!readFile(dir + "/" + kind + "." + n + ".out", out))
        readFile(dir + "/" + kind + ".out", out);
    if (number(options, "crlf"))
        out = withCrLf(out);
    if (const long bytes = number(options, "flood"); bytes > 0)
        out = filler(static_cast<size_t>(bytes)) + out;

    const int heldOpen = readSlowly(kind, argc, argv, options);
    if (kind == "pull")
        pullData(dir, n, argv[3], options);
    std::string err;
    if (!readFile(dir + "/" + kind + "." + n + ".err", err))
        readFile(dir + "/" + kind + ".err", err);
    if (const long bytes = number(options, "stderr_flood"); bytes > 0)
        err = filler(static_cast<size_t>(bytes)) + err;
    std::fwrite(err.data(), 1, err.size(), stderr);
    if (options.count("stderr"))
        std::fprintf(stderr, "%s\n", options["stderr"].c_str());
    if (number(options, "hang")) {
        std::fflush(stderr);
        for (;;)
            ::pause();
    }
    sleepMs(number(options, "stall_ms"));
    print(out, options);

    if (number(options, "crash"))
        std::abort();
    if (const long ms = number(options, "orphan_ms"); ms > 0 && ::fork() == 0) {
        sleepMs(ms);
        return 0;
    }
    if (const long ms = number(options, "linger_ms"); ms > 0) {
        ::close(STDOUT_FILENO);
        sleepMs(ms);
    }
    if (heldOpen >= 0)
        ::close(heldOpen);
    return static_cast<int>(number(options, "exit"));
}
