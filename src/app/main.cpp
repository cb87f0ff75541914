#include "core/ConfigFileParser.h"

int main()
{
    auto* config = new ConfigFileParser();
    config->parse("Conf/global.cfg");
    return 0;
}
