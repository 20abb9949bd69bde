#include "cli/ChildProcess.h"

#include "support/ScanBuilder.h"

#include <stdexcept>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillane::testing {
namespace {

std::string textOf(const std::filesystem::path& file) {
    const std::vector<std::uint8_t> bytes = readFile(file);
    std::string text(bytes.begin(), bytes.end());
    // The Windows runtime writes "\r\n" for each "\n" of a text stream.
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
    return text;
}

#ifdef _WIN32

// One argument as the runtime's command-line splitting gives it back: quoted when it holds a
// blank or a quote or is empty, with the backslashes before a quote doubled. Others stay bare,
// so that a wildcard in them reaches the program's own expansion.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else {
            if (c == '"') text.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        text += c;
    }
    text.append(backslashes, '\\');
    return text + "\"";
}

// The program's command line: its path and each argument, quoted where they need it.
std::string commandLineOf(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    std::string commandLine = quoted(program.string());
    for (const std::string& argument : arguments) commandLine += ' ' + quoted(argument);
    return commandLine;
}

// Waits for a started program to end and gives its exit status, releasing its handles.
int exitStatusOf(PROCESS_INFORMATION& process) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

HANDLE inheritableFile(const std::filesystem::path& file) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    const HANDLE handle = CreateFileA(file.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + file.string());
    return handle;
}

int run(const std::filesystem::path& program, const std::vector<std::string>& arguments,
        const std::filesystem::path& workingFolder, const std::filesystem::path& out, const std::filesystem::path& err) {
    std::string commandLine = commandLineOf(program, arguments);
    const HANDLE outFile = inheritableFile(out);
    const HANDLE errFile = inheritableFile(err);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outFile;
    startup.hStdError = errFile;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        workingFolder.string().c_str(), &startup, &process);
    CloseHandle(outFile);
    CloseHandle(errFile);
    if (!started) throw std::runtime_error("cannot start " + commandLine);
    return exitStatusOf(process);
}

#else

// Strings as exec takes them: a null-terminated list of pointers into strings that never change.
class ExecStrings {
public:
    explicit ExecStrings(std::vector<std::string> strings) : strings_(std::move(strings)) {
        for (std::string& text : strings_) pointers_.push_back(text.data());
        pointers_.push_back(nullptr);
    }
    ExecStrings(const ExecStrings&) = delete;
    ExecStrings& operator=(const ExecStrings&) = delete;
    char* const* get() const { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
};

std::vector<std::string> commandWords(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return words;
}

// Standard error goes to `err`, or, when `err` is empty, to a new pseudo-terminal whose output is
// read back into `terminalText`.
int run(const std::filesystem::path& program, const std::vector<std::string>& arguments,
        const std::filesystem::path& workingFolder, const std::filesystem::path& out, const std::filesystem::path& err,
        std::string* terminalText = nullptr) {
    int terminal = -1;
    int terminalSide = -1;
    if (terminalText != nullptr && openpty(&terminal, &terminalSide, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    const ExecStrings argv(commandWords(program, arguments));

    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot fork");
    if (child == 0) {
        // Only calls that are safe between fork and exec; any failure ends the child with 127.
        const int in = open("/dev/null", O_RDONLY);
        const int outFile = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFile = terminalText != nullptr ? terminalSide : open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || outFile < 0 || errFile < 0 || dup2(in, 0) < 0 || dup2(outFile, 1) < 0 || dup2(errFile, 2) < 0 ||
            chdir(workingFolder.c_str()) != 0)
            _exit(127);
        execv(argv.get()[0], argv.get());
        _exit(127);
    }
    if (terminalText != nullptr) {
        // Read until the child's side is closed, which ends reading with EIO.
        close(terminalSide);
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(terminal, buffer, sizeof buffer);
            if (got > 0) {
                terminalText->append(buffer, static_cast<std::size_t>(got));
                continue;
            }
            const int error = errno;
            if (got < 0 && error == EINTR) continue;
            break;
        }
        close(terminal);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) throw std::runtime_error("lost the child process");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

}  // namespace

std::filesystem::path programBesideTest(const std::string& name) {
#ifdef _WIN32
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path() / (name + ".exe");
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / name;
#endif
}

ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& workingFolder) {
    const TemporaryFolder streams;
    ProgramRun result;
    result.status = run(program, arguments, workingFolder, streams / "out", streams / "err");
    result.out = textOf(streams / "out");
    result.err = textOf(streams / "err");
    return result;
}

ProgramRun runProgramOnTerminal(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                const std::filesystem::path& workingFolder) {
#ifdef _WIN32
    (void)program, (void)arguments, (void)workingFolder;
    throw std::logic_error("no pseudo-terminal on Windows");
#else
    const TemporaryFolder streams;
    ProgramRun result;
    result.status = run(program, arguments, workingFolder, streams / "out", {}, &result.err);
    result.out = textOf(streams / "out");
    // The terminal turns each "\n" into "\r\n"; a lone "\r" (the progress line drawn over
    // itself) stays.
    std::string::size_type at = 0;
    while ((at = result.err.find("\r\n", at)) != std::string::npos) result.err.erase(at, 1);
    return result;
#endif
}

#ifdef _WIN32
int runInterrupted(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder, std::chrono::microseconds after, int,
                   const std::vector<std::string>&) {
    std::string commandLine = commandLineOf(program, arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Without a console of its own: a console made for it (Wine's conhost) may outlive a
    // terminated program and hold this program's output open.
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        workingFolder.string().c_str(), &startup, &process))
        throw std::runtime_error("cannot start " + commandLine);
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(after).count();
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(milliseconds)) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 1);
    return exitStatusOf(process);
}
#else
int runInterrupted(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder, std::chrono::microseconds after, int signal,
                   const std::vector<std::string>& environment) {
    const ExecStrings argv(commandWords(program, arguments));
    std::vector<std::string> variables = environment;
    for (char** variable = environ; *variable != nullptr; ++variable) variables.emplace_back(*variable);
    const ExecStrings envp(std::move(variables));

    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot fork");
    if (child == 0) {
        const int quiet = open("/dev/null", O_RDWR);
        if (quiet < 0 || dup2(quiet, 0) < 0 || dup2(quiet, 1) < 0 || dup2(quiet, 2) < 0 ||
            chdir(workingFolder.c_str()) != 0)
            _exit(127);
        execve(argv.get()[0], argv.get(), envp.get());
        _exit(127);
    }
    std::this_thread::sleep_for(after);
    kill(child, signal);
    int status = 0;
    if (waitpid(child, &status, 0) != child) throw std::runtime_error("lost the child process");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
#endif

namespace {
int started = 0;  // programs started, for folders of their own
}  // namespace

RunningProgram::RunningProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                               const std::filesystem::path& workingFolder)
    : streams_(std::filesystem::temp_directory_path() /
               ("running-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" + std::to_string(++started))) {
    std::filesystem::create_directories(streams_);
    const std::filesystem::path out = streams_ / "out";
#ifdef _WIN32
    std::string commandLine = commandLineOf(program, arguments);
    const HANDLE outFile = inheritableFile(out);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outFile;
    startup.hStdError = outFile;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                        workingFolder.string().c_str(), &startup, &process);
    CloseHandle(outFile);
    if (!started) throw std::runtime_error("cannot start " + commandLine);
    CloseHandle(process.hThread);
    process_ = reinterpret_cast<std::intptr_t>(process.hProcess);
#else
    const ExecStrings argv(commandWords(program, arguments));
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot fork");
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int outFile = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || outFile < 0 || dup2(in, 0) < 0 || dup2(outFile, 1) < 0 || dup2(outFile, 2) < 0 ||
            chdir(workingFolder.c_str()) != 0)
            _exit(127);
        execv(argv.get()[0], argv.get());
        _exit(127);
    }
    process_ = child;
#endif
}

RunningProgram::~RunningProgram() {
    if (!ended_) {
#ifdef _WIN32
        signal(0);
#else
        signal(SIGKILL);
#endif
        wait();
    }
    std::error_code ignored;
    std::filesystem::remove_all(streams_, ignored);
}

std::string RunningProgram::out() const { return textOf(streams_ / "out"); }

bool RunningProgram::waitFor(const std::function<bool(const std::string&)>& done, std::chrono::seconds limit) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done(out())) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void RunningProgram::signal(int signal) {
#ifdef _WIN32
    (void)signal;
    TerminateProcess(reinterpret_cast<HANDLE>(process_), 1);
#else
    kill(static_cast<pid_t>(process_), signal);
#endif
}

int RunningProgram::wait() {
    if (ended_) return status_;
    ended_ = true;
#ifdef _WIN32
    PROCESS_INFORMATION process{};
    process.hProcess = reinterpret_cast<HANDLE>(process_);
    process.hThread = GetCurrentThread();  // a pseudo-handle: closing it does nothing
    status_ = exitStatusOf(process);
#else
    int status = 0;
    if (waitpid(static_cast<pid_t>(process_), &status, 0) != process_) throw std::runtime_error("lost the child process");
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
    return status_;
}

}  // namespace quillane::testing
