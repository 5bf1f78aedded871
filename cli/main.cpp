// Entry point of zentrova-convert.
#include "ConvertCli.h"

#include <iostream>

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return zentrova::RunConvertCli(args, std::cout, std::cerr);
}
