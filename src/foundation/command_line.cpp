#include "foundation/command_line.h"

#include <cstring>

namespace
{

// cxxopts reports an unknown option split into letters ("-frob" as "-f"):
// the word the user typed is the first argument before "--" that begins so.
std::string typedAs(const std::string& reported, int argc, char** argv)
{
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i)
        if (std::string(argv[i]).rfind(reported, 0) == 0)
            return argv[i];
    return reported;
}

} // namespace

command_line_t parseCommandLine(cxxopts::Options& options, int argc, char** argv)
{
    options.allow_unrecognised_options();
    options.parse_positional("files");
    command_line_t line;
    try {
        line.result = options.parse(argc, argv);
    } catch (const cxxopts::exceptions::missing_argument&) {
        // An option that takes a value, given last without one.
        line.missing = argv[argc - 1];
        return line;
    } catch (const cxxopts::exceptions::parsing&) {
        // A flag given a value ("--help=yes"): only that form can do so.
        for (int i = 1; i < argc && line.unknown.empty(); ++i)
            if (std::strchr(argv[i], '='))
                line.unknown = argv[i];
        return line;
    }
    if (!line.result.unmatched().empty())
        line.unknown = typedAs(line.result.unmatched().front(), argc, argv);
    return line;
}

std::vector<std::string> filesOf(const command_line_t& line)
{
    return line.result.count("files") ? line.result["files"].as<std::vector<std::string>>()
                                      : std::vector<std::string>();
}
