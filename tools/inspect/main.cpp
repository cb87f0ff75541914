#include "AssetInspector.h"

#include <iostream>

// flarevox-inspect FILE...: exit status 0 when every file is good, 1 otherwise.
int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: flarevox-inspect FILE...\n";
        return 1;
    }
    bool allGood = true;
    for (int i = 1; i < argc; ++i)
        allGood = AssetInspector::inspect(argv[i], std::cout) && allGood;
    return allGood ? 0 : 1;
}
