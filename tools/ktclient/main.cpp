// ktclient: protocol debugging tool — the request cipher, the HTML decoder, OPEN and WEBREQUEST
// against a server.
#include <iostream>
#include <string>
#include <vector>

#include "ktclient/commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return ktclient::run(args, std::cout, std::cerr);
}
