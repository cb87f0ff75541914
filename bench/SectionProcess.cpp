#include "SectionProcess.h"

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Reads the child's standard output to its end, keeping the row lines; the
// game's own diagnostics on standard output are dropped.
void readRows(int fd, BenchTable& table)
{
    std::FILE* in = fdopen(fd, "r");
    if (!in) {
        close(fd);
        return;
    }
    std::string line;
    int c;
    while ((c = std::fgetc(in)) != EOF) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        table.parseLine(line);
        line.clear();
    }
    std::fclose(in);
}

} // namespace

BenchTable SectionProcess::run(const std::string& section, const std::vector<std::string>& arguments)
{
    BenchTable table;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        table.add({section, "section process started", 0, "", "", 0, "started", "missed"});
        return table;
    }
    std::vector<std::string> words{"/proc/self/exe", "--section=" + section};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        table.add({section, "section process started", 0, "", "", 0, "started", "missed"});
        return table;
    }
    readRows(pipeEnds[0], table);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        table.add({section, "section process ended normally", 0, "", "", 0, "exit 0", "missed"});
    return table;
}
