// The window's description as other languages need it, printed at build time:
//   calorvin_facts --font-packages   the Debian packages of the faces, one a line

#include "look.h"

#include <cstdio>
#include <string>
#include <string_view>

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--font-packages") {
        const calorvin::look::Packages packages = calorvin::look::FontPackages();
        std::string list;
        for (std::size_t i = 0; i < packages.count; ++i)
            list += std::string(packages.names[i]) + "\n";
        return std::fwrite(list.data(), 1, list.size(), stdout) == list.size() && std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::fputs("usage: calorvin_facts --font-packages\n", stderr);
    return 2;
}
