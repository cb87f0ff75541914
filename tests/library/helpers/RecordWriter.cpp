// Writes records into the database named on the command line, one song after
// another from the given number on, and prints each song's number once its
// write has been committed. The kill test stops it with SIGKILL at random
// moments.
#include "library/RecordBook.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    library::RecordBook book(argv[1], {2000, std::chrono::milliseconds(50)});
    for (long song = std::atol(argv[2]); song < 1000000; ++song) {
        const std::string hash = "song" + std::to_string(song);
        library::Record record;
        record.points = static_cast<std::uint32_t>(song);
        record.highestCombo = 7;
        book.submit({{{hash, "Hard", "Kai"}, record}, {{hash, "Hard", "Mia"}, record}});
        if (!book.flush())
            return 1;
        std::printf("%ld\n", song);
        std::fflush(stdout);
    }
    return 0;
}
