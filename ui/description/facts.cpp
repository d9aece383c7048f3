// The window's description as other languages need it, printed at build time:
//   calorvin_facts --font-packages   the Debian packages of the faces, one a line
//   calorvin_facts --faces           each stand-in and face file with a package, one a line:
//                                    package TAB family [style] TAB file (where the window reads
//                                    it from a file, not through fontconfig)

#include "look.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

using namespace calorvin::look;

std::string PackageList()
{
    const Packages packages = calorvin::look::FontPackages();
    std::string list;
    for (std::size_t i = 0; i < packages.count; ++i)
        list += std::string(packages.names[i]) + "\n";
    return list;
}

std::string Faces()
{
    std::string list;
    for (std::size_t i = 0; i < StandIns.size(); ++i) {
        std::string_view file;
        for (const FaceFile& f : FaceFiles)
            if (f.standIn == i && f.outsideFontconfig)
                file = f.path;
        if (!StandIns[i].package.empty())
            list += std::string(StandIns[i].package) + "\t" + std::string(FamilyOf(StandIns[i])) + "\t" +
                    std::string(file) + "\n";
    }
    for (const FaceFile& f : FaceFiles)
        list += std::string(PackageOf(f)) + "\t" + std::string(FamilyOf(StandIns[f.standIn])) + " " +
                std::string(f.style) + "\t" + std::string(f.path) + "\n";
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view option = argc == 2 ? argv[1] : "";
    const std::string out = option == "--font-packages" ? PackageList() : option == "--faces" ? Faces() : "";
    if (out.empty()) {
        std::fputs("usage: calorvin_facts --font-packages | --faces\n", stderr);
        return 2;
    }
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 ? 0 : 1;
}
